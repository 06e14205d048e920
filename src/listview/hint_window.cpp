#include "listview/hint_window.h"

namespace vm {

std::u16string HintTextToShow(const std::u16string& AHoverText, const std::u16string& AHint) {
  return AHoverText.empty() ? AHint : AHoverText;
}

int HintWrapWidth(int APrimaryScreenWidth) { return APrimaryScreenWidth / 4; }

TRect HintBounds(TPoint ACorner, int ALaidOutWidth, int ALaidOutHeight) {
  return {ACorner.X, ACorner.Y, ACorner.X + ALaidOutWidth + HintExtraWidth,
          ACorner.Y + ALaidOutHeight + HintExtraHeight};
}

} // namespace vm
