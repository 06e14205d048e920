#pragma once
// The texts the user sees, in one place for both desktop programs.

namespace vm::texts {

inline constexpr char16_t MainCaption[] = u"Vellomarch Ver1.2.0.0";
inline constexpr char16_t SearchPlaceholder[] = u"検索...";
inline constexpr char16_t ThemeName[] = u"Amethyst Kamri";

// Process entry.
inline constexpr char16_t SingleInstanceMutex[] = u"Vellomarch_byDrun";
inline constexpr char16_t SecondInstanceMessage[] = u"多重起動は許可されていません";
inline constexpr char16_t SecondInstanceCaption[] = u"エラー";

// Notification icon.
inline constexpr char16_t TrayTip[] = u"Vellomarch";
inline constexpr char16_t TrayShowHistory[] = u"履歴を表示";
inline constexpr char16_t MenuSettings[] = u"設定...";
inline constexpr char16_t MenuQuit[] = u"終了";

// Item context menu.
inline constexpr char16_t MenuPaste[] = u"貼り付け\tEnter";
inline constexpr char16_t MenuCopyOnly[] = u"コピーのみ（貼り付けない）\tShift+Enter";
inline constexpr char16_t MenuPastePathText[] = u"パスをテキストとして貼り付け";
inline constexpr char16_t MenuPin[] = u"ピン留め\tCtrl+P";
inline constexpr char16_t MenuUnpin[] = u"ピン留めを解除\tCtrl+P";
inline constexpr char16_t MenuDelete[] = u"この項目を削除\tCtrl+Del";
inline constexpr char16_t MenuTimeStamp[] = u"⏰TimeStamp";
inline constexpr char16_t TextTemplateMark[] = u"📝";
inline constexpr char16_t ImageTemplateMark[] = u"🎨";
inline constexpr char16_t MenuClearAll[] = u"履歴をすべてクリア";

// List marks.
inline constexpr char16_t PinnedMark[] = u"📌";
inline constexpr char16_t ImageMark[] = u"🖼";
inline constexpr char16_t FilesMark[] = u"📁";

// Clear-all confirmation.
inline constexpr char16_t ConfirmTitle[] = u"確認";
inline constexpr char16_t ConfirmClearAll[] = u"履歴をすべて削除しますか？（ピン留めも削除されます）";
inline constexpr char16_t ConfirmYes[] = u"はい(&Y)";
inline constexpr char16_t ConfirmNo[] = u"いいえ(&N)";

// Preview window.
inline constexpr char16_t PreviewTitle[] = u"画像表示";

// Settings dialog.
inline constexpr char16_t SettingsCaption[] = u"Vellomarch 設定";
inline constexpr char16_t SettingsGeneralGroup[] = u" 一般 ";
inline constexpr char16_t SettingsMaxItemsLabel[] = u"履歴の最大件数";
inline constexpr char16_t SettingsWidthLabel[] = u"ウィンドウ幅 (px)";
inline constexpr char16_t SettingsRowHeightLabel[] = u"行の高さ (px)";
inline constexpr char16_t SettingsHotkeyGroup[] = u" ホットキー ";
inline constexpr char16_t SettingsShowHotkeyLabel[] = u"履歴を表示";
inline constexpr char16_t SettingsQuitHotkeyLabel[] = u"アプリを終了";
// A literal backslash followed by n: how a line break is typed into a text template.
inline constexpr char16_t SettingsTextTemplatesLabel[] = u"定型文（改行は \\n で指定）";
inline constexpr char16_t SettingsPlaceholdersLabel[] =
    u"使用可能：{date} {time} {datetime} {clipboard} {now:yyyy-mm-dd}";
inline constexpr char16_t SettingsImageTemplatesLabel[] = u"画像テンプレート";
inline constexpr char16_t SettingsNameColumn[] = u"名前";
inline constexpr char16_t SettingsBodyColumn[] = u"内容";
inline constexpr char16_t SettingsPathColumn[] = u"ファイルパス";
inline constexpr char16_t SettingsOk[] = u"OK";
inline constexpr char16_t SettingsCancel[] = u"キャンセル";
inline constexpr char16_t SettingsWarningCaption[] = u"警告";
inline constexpr char16_t SettingsMaxItemsInvalid[] = u"履歴の最大件数は 1〜500 の整数で入力してください。";
inline constexpr char16_t SettingsWidthInvalid[] = u"ウィンドウ幅は 100〜2000 の整数で入力してください。";
inline constexpr char16_t SettingsRowHeightInvalid[] = u"行の高さは 10〜200 の整数で入力してください。";
inline constexpr char16_t SettingsShowHotkeyMissing[] = u"履歴表示のホットキーを設定してください。";
inline constexpr char16_t TemplateNameHasEquals[] = u"キーは等号記号（“=”）を含めません。";
// The name goes between the quotes.
inline constexpr char16_t TemplateNameTakenBefore[] = u"キー名 \"";
inline constexpr char16_t TemplateNameTakenAfter[] = u"\" はすでに存在します";

// Own clipboard writes (the desktop gives no text of its own for these).
inline constexpr char16_t ClipboardOpenFailed[] = u"Cannot open clipboard";
inline constexpr char16_t ClipboardTextRefused[] = u"The clipboard refused the text";

} // namespace vm::texts
