#include "bench_world.h"

#include <random>

namespace vm::bench {

TBenchWorld::TBenchWorld(IImaging* AImaging)
    : Platform{F.Clipboard, AImaging ? *AImaging : F.Imaging, F.Hotkeys, F.FocusInput, F.Screen,
               F.DeferredCalls, F.Clock, *F.DataProtection, F.Popup, F.Menus, F.TrayIcon,
               F.MessageBoxes, F.Dialogs} {
  F.Clipboard.OnUpdate = [this] {
    if (Frm) Frm->WMClipboardUpdate();
  };
  Frm = std::make_unique<TVellomarchFrm>(Platform);
  Frm->FormCreate();
}

TBenchWorld::~TBenchWorld() { Frm.reset(); }

std::u16string AsciiText(std::size_t ALength, unsigned ASeed) {
  std::minstd_rand Random(ASeed + 1);
  std::u16string Text;
  Text.reserve(ALength);
  while (Text.size() < ALength) {
    const std::size_t Word = 2 + Random() % 8;
    for (std::size_t I = 0; I < Word && Text.size() < ALength; ++I) {
      const char16_t Letter = static_cast<char16_t>(u'a' + Random() % 26);
      Text += (I == 0 && Random() % 4 == 0) ? static_cast<char16_t>(Letter - 32) : Letter;
    }
    if (Text.size() < ALength) Text += Random() % 12 == 0 ? u'\n' : u' ';
  }
  return Text;
}

std::u16string JapaneseText(std::size_t ALength, unsigned ASeed) {
  static constexpr char16_t Pool[] = u"あいうえおかきくけこさしすせそたちつてとなにぬねのはひふへほまみむめもやゆよらりるれろわをん"
                                     u"アイウエオカキクケコサシスセソタチツテト日本語文字列検索履歴画像貼付設定時間今月年"
                                     u"、。「」";
  constexpr std::size_t PoolSize = sizeof Pool / sizeof Pool[0] - 1;
  std::minstd_rand Random(ASeed + 7);
  std::u16string Text(ALength, u' ');
  for (char16_t& C : Text) C = Pool[Random() % PoolSize];
  return Text;
}

} // namespace vm::bench
