#pragma once

#include <QString>

// The program's own texts, shown to the user exactly as they stand here.
namespace clipvoice::app::texts {

// The application title: the window caption, painted in the title strip and
// used as the title of the program's message boxes. 13 single-byte characters.
inline QString applicationTitle()
{
    return QStringLiteral("ClipVoice 1.0");
}

inline QString alreadyRunning()
{
    return QStringLiteral("既に起動されています");
}

inline QString hideToTrayTip()
{
    return QStringLiteral("タスクトレイに隠す");
}
inline QString quitTip()
{
    return QStringLiteral("終了");
}
inline QString speakTip()
{
    return QStringLiteral("読み上げ開始");
}
inline QString stopTip()
{
    return QStringLiteral("読み上げ停止");
}
inline QString clearTip()
{
    return QStringLiteral("テキストボックスをクリア");
}

inline QString readClipboardOption()
{
    return QStringLiteral("クリップボードを読み上げる");
}
inline QString animateOption()
{
    return QStringLiteral("アニメーションを行う");
}
inline QString showWebToolbarOption()
{
    return QStringLiteral("Webツールバーを表示する");
}

// The tray icon's menu option, and what is shown, followed by the reason,
// when it could not be switched.
inline QString startAtLoginOption()
{
    return QStringLiteral("ログイン時に起動する");
}
// The tray menu's option to speak selected text too, and what it adds where
// the desktop has no primary selection.
inline QString readSelectionOption()
{
    return QStringLiteral("選択したテキストも読み上げる");
}
inline QString readSelectionUnsupported()
{
    return QStringLiteral("（このデスクトップにはありません）");
}
inline QString readSelectionNotStored()
{
    return QStringLiteral("選択したテキストの読み上げの設定を保存できませんでした。");
}
inline QString startAtLoginNotChanged()
{
    return QStringLiteral("ログイン時の起動を切り替えられませんでした。");
}

// Start-up failure report.
inline QString startupFailed()
{
    return QStringLiteral("起動できませんでした");
}

// Shown when the chosen language could not be stored as the window closes,
// followed by the reason.
inline QString languageNotSaved()
{
    return QStringLiteral("選択した言語を保存できませんでした。");
}

// Saving what the text box holds, spoken, to a sound file: the command of the
// character's pop-up menu, the title of the file dialog and of the messages.
inline QString saveSpeechCaption()
{
    return QStringLiteral("読み上げ音声をファイルに保存(&S)...");
}
inline QString saveSpeechTitle()
{
    return QStringLiteral("読み上げ音声の保存");
}
inline QString nothingToSave()
{
    return QStringLiteral("テキストボックスに読み上げる文字がありません。");
}
// Followed by the reason.
inline QString saveNotStarted()
{
    return QStringLiteral("読み上げ音声の保存を始められませんでした。");
}

} // namespace clipvoice::app::texts
