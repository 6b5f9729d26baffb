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
    {Msg::NotWritable, "インストール先のフォルダに書き込みできません。\n\n[ %s ]", Ok, Warning, First, nullptr},
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
    {Msg::UninstallDone, "『%s』の削除が完了しました。", Ok, Information, First, nullptr},
    {Msg::RecordNotRemoved,
     "『%s』のファイルは削除しましたが、インストール情報を削除できませんでした。\n"
     "「インストール情報削除」でインストール情報を削除してください。",
     Ok, Warning, First, nullptr},
    {Msg::UninstallIncomplete,
     "『%s』の削除を完了できませんでした。\n\n使用中などの理由で削除できなかったファイルが%s個、\n次のフォルダに残っています。"
     "\n\n[ %s ]\n%s\nファイルを使用しているプログラムを終了してから、\nもう一度削除を行ってください。",
     Ok, Warning, First, nullptr},

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
     "ドライブのルートはインストール先のフォルダにはなりません。\nゲームがインストールされているフォルダを選択して下さい。", Ok,
     Information, First, nullptr},
    {Msg::ChangeFailed, "インストール情報の変更に失敗しました。", Ok, Error, First, nullptr},
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
                                    m.icon, m.def);
}
