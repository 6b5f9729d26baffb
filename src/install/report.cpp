// The texts of every question and message, by id.
#include "install/report.h"

#include <cassert>

#include "platform/app.h"

using platform::MbButtons;
using platform::MbDefault;
using platform::MbIcon;

namespace {

constexpr MbButtons Ok = MbButtons::Ok, YesNo = MbButtons::YesNo, OkCancel = MbButtons::OkCancel;
constexpr MbIcon Warning = MbIcon::Warning, Information = MbIcon::Information, Question = MbIcon::Question,
                 Error = MbIcon::Error;
constexpr MbDefault First = MbDefault::Button1, Second = MbDefault::Button2;

const MessageDef kMessages[] = {
    {Msg::SetupInfMissing, "インストール情報ファイルが見つかりません。\nインストールを中止します。", Ok, Error, First, nullptr},
    {Msg::SetupInfIncomplete, "インストール情報ファイルに必要な情報が記述されていません。", Ok, Error, First, nullptr},

    {Msg::FolderEmpty, "インストール先のフォルダを入力して下さい。", Ok, Warning, First, nullptr},
    {Msg::FolderNotAbsolute, "インストールするフォルダは絶対パスで入力してください。", Ok, Warning, First, nullptr},
    // A name Windows refuses or reads as a device; %s: what the path model found.
    {Msg::FolderNameInvalid,
     "フォルダ名に使用できない文字（\\ / : * ? \" < > |）や名前が含まれています。\n\n[ %s ]\n\n"
     "インストール先のフォルダを入力し直して下さい。",
     Ok, Warning, First, nullptr},
    {Msg::FolderEndsInDotOrBlank,
     "フォルダ名の末尾にピリオド（.）や空白は使えません。\nWindowsはこれを取り除き、別の名前のフォルダとして扱います。", Ok,
     Warning, First, nullptr},
    {Msg::FolderIsRoot, "インストールするフォルダにルートは指定できません。", Ok, Warning, First, nullptr},
    {Msg::MwaveNotice,
     "IBM社製パソコンAptivaシリーズの「M-WAVE」音源搭載機種や、Maestro系の音源チップ搭載ボード、\n"
     "NEC社製パソコンV20CバリュースターNX、富士通社製FM-Vシリーズ等で問題が発生する場合以外は\n"
     "「通常PCM音源版」でインストールしてください。　（詳しくは取扱説明書をお読みください）\n\n"
     "「M-WAVE対策版」でインストールを行いますか？",
     YesNo, Question, Second, "M-WAVE音源対策版インストールについて"},
    {Msg::FolderExists,
     "インストール先のフォルダは既に存在します。\nセーブデータが残っている場合は、残っているセーブデータがそのまま使用されます。",
     Ok, Information, First, nullptr},
    {Msg::CreateFolder, "インストール先のフォルダが存在しません。\n新しく作成しますか？", YesNo, Question, First, nullptr},
    {Msg::FolderNotMade, "フォルダの作成に失敗しました。", Ok, Warning, First, nullptr},
    {Msg::NotWritable,
     "インストール先のフォルダに書き込めません。\n\n[ %s ]\n\n書き込みできるフォルダを指定して、再度インストールしてください。",
     Ok, Warning, First, nullptr},
    {Msg::NoSpace,
     "インストール先の空き容量が足りません。\n空き容量を十分に確保してから再度インストールしてください。\n\n必要容量：%sMB",
     Ok, Warning, First, nullptr},
    {Msg::DiscPrompt, "『%s』の%sをCD-ROMドライブにセットしてください。", OkCancel, Question, First, nullptr},
    {Msg::NoMemory, "メモリの確保に失敗しました。\n動作中のアプリケーションを全て終了して再実行してください。", Ok, Error,
     First, nullptr},
    {Msg::CancelQuestion,
     "インストールを中止しますか？\n\n中止すると正しくインストールは行われません。\n"
     "正しくインストールを行うには再度インストールを行う必要があります。",
     YesNo, Question, Second, nullptr},
    {Msg::CopyFailed, "ファイルのコピーに失敗しました。\n\n[ %s ]", Ok, Error, First, nullptr},
    {Msg::NotEnded, "インストールは正しく終了しませんでした。", Ok, Warning, First, nullptr},
    {Msg::RollbackIncomplete,
     "インストールは正しく終了しませんでした。\nコピーしたファイルを元に戻す処理を最後まで行えませんでした。\n"
     "次回の起動時に続きを行います。",
     Ok, Warning, First, nullptr},
    {Msg::InstallDone, "インストールが完了しました。\n\n『%s』\n\nを今すぐ起動しますか？", YesNo, Question, First, nullptr},
    {Msg::StartFailed, "『%s』の起動に失敗しました。", Ok, Warning, First, nullptr},
    {Msg::ReadmeFailed,
     "Readme.txtの表示に失敗しました。\nReadme.txtを読む場合はCD-ROM内のReadme.txtを参照してください。", Ok,
     Information, First, nullptr},

    {Msg::UninstallStart, "インストールされている\n\n『%s』\n\nの削除を開始します。", YesNo, Question, Second, nullptr},
    {Msg::DeleteSaves,
     "セーブデータを削除しますか？\n\nセーブデータを削除する場合は「はい」を、\nセーブデータを残す場合は「いいえ」を選択してください。",
     YesNo, Question, Second, nullptr},
    {Msg::LogMissing, "Setup.logが見つかりません。\n『%s』の削除は行えません。", Ok, Warning, First, nullptr},
    // A Setup.log that is there but names no file of the installation.
    {Msg::LogEmpty, "Setup.logに削除するファイルが記録されていません。\n『%s』の削除は行えません。", Ok, Warning, First,
     nullptr},
    {Msg::UninstallDone, "『%s』の削除が完了しました。", Ok, Information, First, nullptr},
    {Msg::RecordNotRemoved,
     "『%s』のファイルは削除しましたが、インストール情報を削除できませんでした。\n"
     "ゲームのCD-ROMのメニューで「インストール情報削除」を行ってください。",
     Ok, Warning, First, nullptr},
    // The same after a removal from Windows' list of programs, where no disc is at hand.
    {Msg::RecordNotRemovedApps,
     "『%s』のファイルは削除しましたが、インストール情報を削除できませんでした。\n"
     "Windowsの「アプリ」（「プログラムと機能」）から、もう一度アンインストールを行ってください。\n"
     "ゲームのCD-ROMのメニューの「インストール情報削除」でも削除できます。",
     Ok, Warning, First, nullptr},
    {Msg::UninstallIncomplete,
     "『%s』の削除を完了できませんでした。\n\n使用中などの理由で削除できなかったファイルが%s個、\n次のフォルダに残っています。"
     "\n\n[ %s ]\n%s\nファイルを使用しているプログラムを終了してから、\nもう一度削除を行ってください。",
     Ok, Warning, First, nullptr},

    {Msg::HandOverFailed, "『%s』の削除を開始できませんでした。\n\n%s", Ok, Warning, First, nullptr},
    {Msg::KeptSetupUnreadable,
     "削除に必要なインストール情報ファイルを読み込めないため、\n削除を開始できませんでした。\n\n[ %s ]", Ok, Warning, First,
     nullptr},
    {Msg::NoLongerInstalled,
     "『%s』はすでにインストールされていません。\nプログラムの一覧から『%s』の登録を削除しました。", Ok, Information, First,
     nullptr},
    {Msg::FolderGoneForgotten,
     "『%s』のインストール先のフォルダが見つかりません。\n\n[ %s ]\n\n"
     "インストール情報とプログラムの一覧の登録を削除しました。",
     Ok, Information, First, nullptr},
    {Msg::LogMissingForget,
     "Setup.logが見つからないため、『%s』のファイルは削除できません。\n次のフォルダのファイルはそのまま残ります。"
     "\n\n[ %s ]\n\nインストール情報とプログラムの一覧の登録だけを削除しますか？",
     YesNo, Question, Second, nullptr},
    {Msg::ListEntryForgotten,
     "『%s』のインストール情報とプログラムの一覧の登録を削除しました。\n次のフォルダのファイルは残っています。\n\n[ %s ]",
     Ok, Information, First, nullptr},

    {Msg::RemoveQuestion,
     "インストール情報の削除を行います。\n\nこの作業はインストール情報を強制的に削除しますので、\n"
     "ゲームを手で消してしまったなどでインストールが\n行えなくなってしまった場合のみ実行してください。\n"
     "作業終了後、インストールが可能になります。\n\n作業を開始してよろしいですか？",
     YesNo, Question, Second, nullptr},
    {Msg::RemoveDone, "インストール情報の削除が完了しました。", Ok, Information, First, nullptr},
    {Msg::RemoveFailed, "インストール情報を削除できませんでした。\nもう一度「インストール情報削除」を行ってください。", Ok,
     Warning, First, nullptr},
    {Msg::ChangeQuestion,
     "インストール情報の変更を行います。\n\nこの作業はインストール情報を強制的に変更しますので、\n"
     "ドライブ構成が変わったなどでゲームの起動や削除が\n行えなくなってしまった場合のみ実行してください。\n\n"
     "作業を開始してよろしいですか？",
     YesNo, Question, Second, nullptr},
    {Msg::ChangeAbandoned, "インストール情報の変更を中止しました。", Ok, Information, First, nullptr},
    {Msg::NotInstalledThere, "選択されたフォルダにはゲームがインストールされていません。", Ok, Information, First, nullptr},
    {Msg::RootNotInstallFolder,
     "ドライブのルートは、ゲームのインストール先にはなりません。\n"
     "インストール情報は変更していません。\n"
     "「インストール情報変更」で、ゲームがインストールされているフォルダを選び直して下さい。",
     Ok, Information, First, nullptr},
    {Msg::ChangeFailed,
     "インストール情報を変更できませんでした。\n"
     "選択されたフォルダのSetup.logを書き換えられなかったため、何も変更していません。\n"
     "フォルダに書き込みできることを確かめてから、もう一度「インストール情報変更」を行ってください。",
     Ok, Error, First, nullptr},
    {Msg::ChangeDone, "インストール情報の変更が完了しました。", Ok, Information, First, nullptr},

    {Msg::DirectXMissing, "DirectX 8.1b セットアッププログラムが見つかりません。", Ok, Error, First, nullptr},
    {Msg::DirectXStartFailed, "DirectX 8.1b セットアッププログラムの起動に失敗しました。", Ok, Warning, First, nullptr},

    {Msg::Error, "%s", Ok, Error, First, nullptr},
};

}  // namespace

const MessageDef& MessageOf(Msg id) {
    for (const MessageDef& m : kMessages)
        if (m.id == id) return m;
    assert(!"a message without a definition");
    return kMessages[sizeof kMessages / sizeof kMessages[0] - 1];
}

std::string TextOf(Msg id, const std::vector<std::string>& args) {
    const std::string format = MessageOf(id).text;
    std::string text;
    std::size_t next = 0;
    for (std::size_t i = 0; i < format.size(); ++i) {
        // '%' is never the second byte of a Shift-JIS character.
        if (format[i] == '%' && i + 1 < format.size() && format[i + 1] == 's') {
            if (next < args.size()) text += args[next];
            ++next;
            ++i;
            continue;
        }
        text += format[i];
    }
    return text;
}

platform::MbResult BoxReporter::Ask(const platform::Form* owner, Msg id, const std::vector<std::string>& args) {
    const MessageDef& m = MessageOf(id);
    return platform::ShowMessageBox(owner, TextOf(id, args), m.caption ? m.caption : platform::app::Title(), m.buttons,
                                    m.icon, m.def, static_cast<int>(id));
}
