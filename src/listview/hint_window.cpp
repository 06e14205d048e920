#include "listview/hint_window.h"

namespace vm {

namespace {

bool IsHighSurrogate(char16_t C) { return C >= 0xD800 && C <= 0xDBFF; }

// Where a hint text is cut: after its last allowed line break or at its length bound, never
// between the halves of a surrogate pair; the text's size when it fits.
std::size_t HintCutPosition(const std::u16string& AText) {
  std::size_t Lines = 1;
  for (std::size_t I = 0; I < AText.size() && I < MaxHintLength; ++I) {
    const char16_t C = AText[I];
    if (C != u'\r' && C != u'\n') continue;
    if (C == u'\r' && I + 1 < AText.size() && AText[I + 1] == u'\n') ++I;
    if (++Lines > MaxHintLines) return I + 1;
  }
  if (AText.size() <= MaxHintLength) return AText.size();
  return IsHighSurrogate(AText[MaxHintLength - 1]) ? MaxHintLength - 1 : MaxHintLength;
}

} // namespace

std::u16string HintTextToShow(const std::u16string& AHoverText, const std::u16string& AHint) {
  const std::u16string& Text = AHoverText.empty() ? AHint : AHoverText;
  const std::size_t Cut = HintCutPosition(Text);
  if (Cut >= Text.size()) return Text;
  return Text.substr(0, Cut) + u"\u2026";
}

int HintWrapWidth(int APrimaryScreenWidth) { return APrimaryScreenWidth / 4; }

TRect HintBounds(TPoint ACorner, int ALaidOutWidth, int ALaidOutHeight) {
  return {ACorner.X, ACorner.Y, ACorner.X + ALaidOutWidth + HintExtraWidth,
          ACorner.Y + ALaidOutHeight + HintExtraHeight};
}

} // namespace vm
