#include "templates/expand_template.h"

#include "clipboard/captured_text.h"
#include "support/log.h"
#include "support/text.h"

namespace vm {
namespace {

constexpr std::size_t NotFound = std::u16string::npos;

// The text put in is not searched again, so a replacement that holds the placeholder itself
// cannot multiply.
std::u16string ReplaceAllNoCase(const std::u16string& AText, std::u16string_view APlaceholder,
                                std::u16string_view AWith) {
  std::u16string Out;
  std::size_t From = 0;
  for (std::size_t At = FindAsciiNoCase(AText, APlaceholder); At != NotFound;
       At = FindAsciiNoCase(AText, APlaceholder, From)) {
    Out.append(AText, From, At - From);
    Out += AWith;
    From = At + APlaceholder.size();
  }
  Out.append(AText, From, NotFound);
  return Out;
}

// One of {date}, {time}, {datetime}. The clock is read whether or not the placeholder occurs, so
// the steps that follow see the same sequence of readings in every template.
void ReplaceFixedForm(std::u16string& R, std::u16string_view APlaceholder, std::u16string_view AFormat,
                      IClock& AClock, const TFormatSettings& ASettings) {
  try {
    const TDateTime Now = AClock.Now();
    if (FindAsciiNoCase(R, APlaceholder) == NotFound) return;
    R = ReplaceAllNoCase(R, APlaceholder, FormatDateTime(AFormat, Now, ASettings));
  } catch (...) {
    // The placeholder stays as written.
  }
}

std::u16string ClipboardTextOrEmpty(IClipboardText& AClipboard) {
  try {
    if (!AClipboard.HasUnicodeText()) return {};
    std::u16string Text = AClipboard.ReadUnicodeText();
    // The text ends at its first zero character, whatever the platform handed over.
    if (const std::size_t Zero = Text.find(u'\0'); Zero != NotFound) Text.resize(Zero);
    return Text;
  } catch (const TTextTooLarge& E) {
    // Unlike a busy clipboard, this does not go away by trying again: the user learns why the
    // text is missing from the paste.
    WriteLog(u"Template clipboard text skipped: " + E.Message());
    return {};
  } catch (...) {
    return {};
  }
}

void ExpandNowPlaceholders(std::u16string& R, IClock& AClock, const TFormatSettings& ASettings) {
  static constexpr std::u16string_view Opening = u"{now:";
  std::size_t P = 0;
  for (;;) {
    const std::size_t Start = FindAsciiNoCase(R, Opening, P);
    if (Start == NotFound) return;
    const std::size_t Close = R.find(u'}', Start + Opening.size());
    if (Close == NotFound) return; // unclosed: it and all after it stay as written
    const std::u16string Format = R.substr(Start + Opening.size(), Close - Start - Opening.size());
    try {
      const std::u16string Result = FormatDateTime(Format, AClock.Now(), ASettings);
      R.replace(Start, Close + 1 - Start, Result);
      P = Start + Result.size();
    } catch (...) {
      P = Close + 1;
    }
  }
}

} // namespace

std::u16string ExpandTemplate(const std::u16string& ATemplate, IClock& AClock, IClipboardText& AClipboard,
                              const TFormatSettings& ASettings) {
  std::u16string R = ATemplate;
  try {
    ReplaceFixedForm(R, u"{date}", u"yyyy/mm/dd", AClock, ASettings);
    ReplaceFixedForm(R, u"{time}", u"hh:nn", AClock, ASettings);
    ReplaceFixedForm(R, u"{datetime}", u"yyyy/mm/dd hh:nn", AClock, ASettings);
    if (FindAsciiNoCase(R, u"{clipboard}") != NotFound)
      R = ReplaceAllNoCase(R, u"{clipboard}", ClipboardTextOrEmpty(AClipboard));
    ExpandNowPlaceholders(R, AClock, ASettings);
  } catch (...) {
    // Only running out of memory gets here; R holds every step that was completed.
  }
  return R;
}

} // namespace vm
