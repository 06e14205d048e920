#include "history/clip_item.h"

#include "support/text.h"

namespace vm {

std::u16string ExtractFileNamePart(std::u16string_view APath) {
  // Desktop paths part at "\" and ":"; a path copied on a POSIX desktop starts with "/" and parts
  // there, so that its label is the file's name too.
  const bool PosixPath = !APath.empty() && APath.front() == u'/';
  const std::size_t Pos = APath.find_last_of(PosixPath ? std::u16string_view(u"\\:/") : std::u16string_view(u"\\:"));
  return std::u16string(Pos == std::u16string_view::npos ? APath : APath.substr(Pos + 1));
}

std::u16string TClipItem::DisplayText() const {
  if (ItemType == citFiles) {
    const std::vector<std::u16string> Lines = SplitLines(Text);
    if (Lines.empty()) return {};
    const std::u16string First = ExtractFileNamePart(Lines.front());
    if (Lines.size() == 1) return First;
    return First + u" ほか" + IntToStr(static_cast<long long>(Lines.size()) - 1) + u"件";
  }
  std::u16string Label = ReplaceAll(Text, u"\r\n", u" ");
  Label = ReplaceAll(std::move(Label), u"\n", u" ");
  return ReplaceAll(std::move(Label), u"\r", u" ");
}

} // namespace vm
