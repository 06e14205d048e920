#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <functional>
#include <string>

#include "platform/windows/dpapi_data_protection.h"
#include "platform/windows/system_error_text.h"
#include "support/error.h"
#include "support/text.h"

namespace vm {
namespace {

TBytes BytesOf(std::string_view AText) { return TBytes(AText.begin(), AText.end()); }

// Does ANeedle occur in AHaystack as a run of bytes?
bool Contains(const TBytes& AHaystack, const TBytes& ANeedle) {
  return std::search(AHaystack.begin(), AHaystack.end(), ANeedle.begin(), ANeedle.end()) != AHaystack.end();
}

// The message a failing call carries; fails the test when nothing is thrown.
std::u16string FailureOf(const std::function<void()>& ACall) {
  try {
    ACall();
  } catch (const TError& E) {
    return E.Message();
  }
  ADD_FAILURE() << "no TError was thrown";
  return {};
}

void ExpectTrimmed(const std::u16string& AText) {
  ASSERT_FALSE(AText.empty());
  const char16_t Last = AText.back();
  EXPECT_TRUE(Last != u'.' && Last != u' ' && Last != u'\r' && Last != u'\n') << Utf16ToUtf8(AText);
}

struct TInput {
  const char* Name;
  TBytes Bytes;
};
void PrintTo(const TInput& AInput, std::ostream* AOut) { *AOut << AInput.Name; }

class DpapiDataProtection : public ::testing::TestWithParam<TInput> {};

TEST_P(DpapiDataProtection, RoundTripsAndHidesThePlainBytes) {
  TDpapiDataProtection Protection;
  const TBytes& Plain = GetParam().Bytes;
  const TBytes Blob = Protection.Protect(Plain);
  EXPECT_GT(Blob.size(), Plain.size());
  if (Plain.size() >= 8) {
    EXPECT_FALSE(Contains(Blob, Plain));
  }
  EXPECT_EQ(Protection.Unprotect(Blob), Plain);
}

TBytes AllByteValues() {
  TBytes Bytes;
  for (int K = 0; K < 256; ++K) Bytes.push_back(static_cast<std::uint8_t>(K));
  return Bytes;
}

TBytes LargeHistory() {
  std::string Json = "[";
  for (int K = 0; K < 20000; ++K) Json += R"({"ItemType":0,"Text":"日本語の履歴 )" + std::to_string(K) + R"(","Pinned":false},)";
  Json.back() = ']';
  return BytesOf(Json);
}

// No bytes at all never reach the service from the history file, but must work all the same.
INSTANTIATE_TEST_SUITE_P(Inputs, DpapiDataProtection,
                         ::testing::Values(TInput{"Empty", {}}, TInput{"OneByte", BytesOf("x")},
                                           TInput{"JapaneseAndEmoji", BytesOf(Utf16ToUtf8(u"履歴 📌 clip\r\n"))},
                                           TInput{"AllByteValues", AllByteValues()},
                                           TInput{"LargeHistory", LargeHistory()}),
                         [](const ::testing::TestParamInfo<TInput>& AInfo) { return std::string(AInfo.param.Name); });

TEST(DpapiDataProtectionBlob, TwoProtectionsOfTheSameBytesBothOpen) {
  TDpapiDataProtection Protection;
  const TBytes Plain = BytesOf(R"([{"ItemType":0,"Text":"a"}])");
  const TBytes First = Protection.Protect(Plain);
  const TBytes Second = Protection.Protect(Plain);
  EXPECT_EQ(Protection.Unprotect(First), Plain);
  EXPECT_EQ(Protection.Unprotect(Second), Plain);
}

// Damaged blobs must fail with the system's text, never come back as other bytes. The end of
// the blob holds the signature, which every implementation of the service checks.
struct TDamage {
  const char* Name;
  void (*Apply)(TBytes& ABlob);
};

void PrintTo(const TDamage& ADamage, std::ostream* AOut) { *AOut << ADamage.Name; }

class DpapiDamagedBlob : public ::testing::TestWithParam<TDamage> {};

TEST_P(DpapiDamagedBlob, FailsWithTheTrimmedSystemText) {
  TDpapiDataProtection Protection;
  TBytes Blob = Protection.Protect(BytesOf("the history of the clipboard"));
  GetParam().Apply(Blob);
  const std::u16string Message = FailureOf([&] { Protection.Unprotect(Blob); });
  ExpectTrimmed(Message);
  EXPECT_EQ(Message.find(u"CryptUnprotectData"), std::u16string::npos) << "the caller adds the prefix";
}

INSTANTIATE_TEST_SUITE_P(
    Damages, DpapiDamagedBlob,
    ::testing::Values(TDamage{"LastByteChanged", [](TBytes& B) { B.back() ^= 0x01; }},
                      TDamage{"LastByteRemoved", [](TBytes& B) { B.pop_back(); }},
                      TDamage{"Empty", [](TBytes& B) { B.clear(); }},
                      TDamage{"NotABlob", [](TBytes& B) { B = BytesOf("[{\"ItemType\":0,\"Text\":\"plain\"}]"); }}),
    [](const ::testing::TestParamInfo<TDamage>& AInfo) { return std::string(AInfo.param.Name); });

TEST(DpapiDamagedBlobText, IsTheSystemsTextForInvalidData) {
  TDpapiDataProtection Protection;
  TBytes Blob = Protection.Protect(BytesOf("abc"));
  Blob.back() ^= 0x80;
  EXPECT_EQ(FailureOf([&] { Protection.Unprotect(Blob); }), SystemErrorText(ERROR_INVALID_DATA));
}

} // namespace
} // namespace vm
