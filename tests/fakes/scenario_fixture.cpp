#include "scenario_fixture.h"

#include "support/data_folders.h"
#include "support/log.h"
#include "support/text.h"

namespace vm::test {

TScenarioWorld::TScenarioWorld() : Platform(F.Platform()), FPreviousLogClock(CurrentLogClock()) {
  SetLogClock(&F.Clock);
  F.Clipboard.OnUpdate = [this] {
    if (Frm) Frm->WMClipboardUpdate();
  };
}

TScenarioWorld::~TScenarioWorld() {
  Frm.reset();
  SetLogClock(FPreviousLogClock);
}

void TScenarioWorld::Start() {
  Frm = std::make_unique<TVellomarchFrm>(Platform);
  Frm->FormCreate();
}

void TScenarioWorld::Quit() {
  Frm->CloseMainWindow();
  Frm->FormDestroy();
}

void TScenarioWorld::CopyText(const std::u16string& AText) {
  F.Clipboard.StageText(AText);
  RunPending();
}

void TScenarioWorld::CopyFiles(const std::vector<std::u16string>& APaths) {
  F.Clipboard.StageFiles(APaths);
  RunPending();
}

void TScenarioWorld::CopyPng(const TImage& AImage) {
  F.Clipboard.StagePng(TFakeImaging::MakePng(AImage));
  RunPending();
}

std::vector<std::u16string> TScenarioWorld::HistoryTexts() const {
  std::vector<std::u16string> Texts;
  const auto& Items = Frm->History().Items();
  for (int I = 0; I < Items.Count(); ++I) {
    const TClipItem& Item = Items[I];
    std::u16string Label = Item.ItemType == TClipItemType::citImage ? u"image:" + Item.ImageFile
                           : Item.ItemType == TClipItemType::citFiles ? u"files:" + Item.Text
                                                                      : Item.Text;
    if (Item.Pinned) Label = u"pinned:" + Label;
    Texts.push_back(Label);
  }
  return Texts;
}

std::vector<std::u16string> TScenarioWorld::LogLines() const {
  const TDateTime& T = F.Clock.Time;
  char Name[16];
  std::snprintf(Name, sizeof Name, "%04d%02d%02d", T.Year, T.Month, T.Day);
  const std::string Bytes = ReadFileBytes(LogDir() + Utf8ToUtf16(Name) + u"_Vellomarch.log");
  std::vector<std::u16string> Lines;
  for (const auto& Line : SplitLines(Utf8ToUtf16Lossy(Bytes)))
    Lines.push_back(Line.size() > 25 ? Line.substr(25) : Line); // "yyyy/mm/dd hh:nn:ss:zzz  "
  return Lines;
}

} // namespace vm::test
