// Reading the command line of a run without the menu.
#include "shell/cmdline.h"

#include <initializer_list>

#include "platform/sjis.h"

namespace {

bool ParseSeconds(const std::string& text, int& seconds) {
    if (text.empty() || text.size() > 5) return false;
    int value = 0;
    for (const char c : text) {
        if (c < '0' || c > '9') return false;
        value = value * 10 + (c - '0');
    }
    if (value > 86400) return false;
    seconds = value;
    return true;
}

bool IsOneOf(const std::string& name, std::initializer_list<const char*> names) {
    for (const char* n : names)
        if (name == n) return true;
    return false;
}

// The system splits a command line so that \" is a quote character inside
// the argument, not its end: /dir="C:\Games\" /silent arrives as the one
// argument `/dir=C:\Games" /silent`, the options after it swallowed. No
// Windows path holds a '"', so such an argument is always this mistake.
// One line, as the console shows it.
std::string QuoteInArgument(const std::string& arg) {
    const auto quote = arg.find('"');
    const std::string before = arg.substr(0, quote);
    const std::string after = arg.substr(quote + 1);
    std::string text = "引数に「\"」が含まれています：" + arg +
                       "。閉じる引用符の直前に「\\」があると、その引用符は値の終わりではなく文字の「\"」と読まれます。";
    // A blank inside one argument: what followed was split no further.
    const auto blank = after.find(' ');
    if (blank != std::string::npos) {
        const auto swallowed = after.find_first_not_of(' ', blank);
        if (swallowed != std::string::npos)
            text += "そのため後ろの「" + after.substr(swallowed) + "」までが、この引数の値になりました。";
    }
    const auto eq = before.find('=');
    if (eq != std::string::npos && eq + 1 < before.size()) {
        const std::string name = before.substr(0, eq + 1), value = before.substr(eq + 1);
        text += "最後の「\\」を付けずに " + name + "\"" + value + "\" と書いてください";
        if (value.find(' ') == std::string::npos) text += "（空白がなければ引用符なしの " + before + " でもかまいません）";
        text += "。";
    } else {
        text += "引用符で囲んだ値の最後には「\\」を付けないでください。";
    }
    return text;
}

struct Option {
    std::string name;  // folded to upper case, without its '/', '-' or "--"
    bool hasValue;
    std::string value;
};

// An argument as an option; nullopt when it begins with neither '/' nor '-'.
std::optional<Option> OptionOf(const std::string& arg) {
    if (arg.size() < 2 || (arg[0] != '/' && arg[0] != '-')) return std::nullopt;
    const std::string body = arg.substr(arg[1] == '-' ? 2 : 1);  // --help as well as -help
    const auto eq = body.find('=');
    return Option{sjis::FoldCase(body.substr(0, eq)), eq != std::string::npos,
                  eq != std::string::npos ? body.substr(eq + 1) : std::string()};
}

// /log and /log=<file>; false for "/log=": a script's variable that came
// out empty, not a wish for the temporary folder.
bool ReadLogOption(const Option& o, CommandLine& cmd) {
    if (o.hasValue && o.value.empty()) return false;
    cmd.log = o.value;
    cmd.logToTemp = !o.hasValue;
    return true;
}

}  // namespace

// One item a line and no columns: in a message box the font is proportional
// and blanks line nothing up.
const char* const kCommandLineHelp =
    "TazuStart.exe /install [/dir=<フォルダ>] [/variant=pcm|mwave] [/cd=<ドライブ>]\n"
    "[/launch] [/readme] [/passive|/silent] [/disctimeout=<秒>] [/log[=<ファイル>]]\n"
    "TazuStart.exe /uninstall [/keepsaves|/deletesaves] [/cd=<ドライブ>]\n"
    "[/passive|/silent] [/log[=<ファイル>]]\n"
    "TazuStart.exe /?\n"
    "\n"
    "/dir=<フォルダ>：インストール先（省略時はメニューが示すフォルダ）\n"
    "/variant=pcm：通常PCM音源版（省略時）\n"
    "/variant=mwave：M-WAVE対策版\n"
    "/cd=<ドライブ>：ディスク1のドライブ（省略時は起動元か最初のCD-ROMドライブ）\n"
    "/launch：インストール後にゲームを起動する\n"
    "/readme：インストール後にReadme.txtを表示する\n"
    "/keepsaves：セーブデータを残す（省略時）\n"
    "/deletesaves：セーブデータも削除する\n"
    "/passive または /qb：進行状況の画面だけを表示し、質問はしない（省略時）\n"
    "/silent、/S、/verysilent、/quiet または /qn：画面を何も表示しない\n"
    "/disctimeout=<秒>：ディスク2を待つ秒数（省略時0：待たずに終了）\n"
    "/log=<ファイル>：各手順をUTF-8のテキストで記録する\n"
    "/log：同じ記録を一時フォルダの TazuStart-年月日-時分秒.log に作る\n"
    "/norestart：受け付けるが何もしない（再起動を求めることはない）\n"
    "/suppressmsgboxes：受け付けるが何もしない（/passive でも質問はしない）\n"
    "/sp-：受け付けるが何もしない（始める前の確認はない）\n"
    "/?：この説明を表示する\n"
    "\n"
    "値を引用符で囲むときは、閉じる引用符の直前に「\\」を置かないこと。\n"
    "「\\\"」は文字の「\"」と読まれ、後ろの引数まで値に入ってしまう。\n"
    "例：/dir=\"C:\\My Games\"（/dir=\"C:\\My Games\\\" は誤り）\n"
    "\n"
    "終了コード：\n"
    "0：完了\n"
    "1：キャンセル\n"
    "2：引数の誤り\n"
    "3：ディスクが見つからない\n"
    "4：空き容量不足\n"
    "5：コピーまたは削除の失敗（インストールは元に戻した）\n"
    "6：ユーティリティかゲームが実行中\n"
    "7：フォルダに書き込めない\n"
    "8：インストールが不完全（ファイルが足りない）\n"
    "9：別のフォルダにインストール済み\n"
    "10：失敗したインストールを元に戻し切れなかった（次回起動時に続きを行う）\n";

std::optional<CommandLine> ParseCommandLine(const std::vector<std::string>& args, std::string& error) {
    CommandLine cmd;
    bool commandSeen = false, savesSeen = false, windowsSeen = false;
    std::vector<std::string> installOnly, uninstallOnly;
    for (const std::string& arg : args) {
        if (arg.find('"') != std::string::npos) {
            error = QuoteInArgument(arg);
            return std::nullopt;
        }
        const auto option = OptionOf(arg);
        if (!option) {
            error = "不明な引数です：" + arg;
            return std::nullopt;
        }
        const std::string& name = option->name;
        const bool hasValue = option->hasValue;
        const std::string& value = option->value;
        const auto command = [&](CommandLine::Command c) {
            if (commandSeen && cmd.command != c) return false;
            commandSeen = true;
            cmd.command = c;
            return !hasValue;
        };
        const auto windows = [&](bool silent) {
            const bool first = !windowsSeen;
            windowsSeen = true;
            cmd.windowsGiven = true;
            cmd.silent = silent;
            return !hasValue && first;
        };
        // Why a known option is refused, unless its value is the fault.
        std::string fault;
        bool ok = true;
        if (name == "?" || name == "H" || name == "HELP") {
            ok = command(CommandLine::Command::Help);
            fault = "コマンド（/install、/uninstall、/?）は一つだけ、値を付けずに指定してください：";
        } else if (name == "INSTALL") {
            ok = command(CommandLine::Command::Install);
            fault = "コマンド（/install、/uninstall、/?）は一つだけ、値を付けずに指定してください：";
        } else if (name == "UNINSTALL") {
            ok = command(CommandLine::Command::Uninstall);
            fault = "コマンド（/install、/uninstall、/?）は一つだけ、値を付けずに指定してください：";
        } else if (name == "DIR") {
            ok = hasValue && !value.empty();
            cmd.dir = value;
            installOnly.push_back(arg);
        } else if (name == "VARIANT") {
            const std::string v = sjis::FoldCase(value);
            ok = v == "PCM" || v == "MWAVE";
            cmd.mwave = v == "MWAVE";
            installOnly.push_back(arg);
        } else if (name == "CD") {
            const std::string v = sjis::FoldCase(value);
            ok = (v.size() == 1 || (v.size() == 2 && v[1] == ':') || (v.size() == 3 && v.compare(1, 2, ":\\") == 0)) &&
                 v[0] >= 'A' && v[0] <= 'Z';
            cmd.cd = ok ? v[0] : 0;
        } else if (name == "LAUNCH" || name == "README") {
            ok = !hasValue;
            (name == "LAUNCH" ? cmd.launch : cmd.readme) = true;
            installOnly.push_back(arg);
        } else if (name == "KEEPSAVES" || name == "DELETESAVES") {
            ok = !hasValue && !savesSeen;
            if (!hasValue && savesSeen) fault = "/keepsaves と /deletesaves はどちらか一つだけ指定してください：";
            savesSeen = true;
            cmd.deleteSaves = name == "DELETESAVES";
            uninstallOnly.push_back(arg);
        } else if (IsOneOf(name, {"PASSIVE", "QB", "SILENT", "VERYSILENT", "QUIET", "QN", "S"})) {
            // Also as script authors know them: /qb, /qn and /quiet from the
            // system's installer, /verysilent from setup builders, /S from
            // the other common one.
            if (!hasValue && windowsSeen) fault = "画面の指定（/passive、/silent など）は一つだけにしてください：";
            ok = windows(!IsOneOf(name, {"PASSIVE", "QB"}));
            if (name == "S") cmd.notes.push_back(arg + "：/silent と同じ意味に取りました（画面を何も表示しません）");
        } else if (IsOneOf(name, {"NORESTART", "SUPPRESSMSGBOXES", "SP-"})) {
            // What deployment scripts add out of habit: each asks for what
            // this utility does anyway.
            ok = !hasValue;
            cmd.notes.push_back(
                arg + (name == "NORESTART" ? "：このユーティリティはコンピュータを再起動しないため、何もしません"
                       : name == "SP-"     ? "：始める前に確認する質問はないため、何もしません"
                                           : "：/passive でも /silent でも質問はせず、どの質問にもデータを残す答えを"
                                             "取るため、何もしません"));
        } else if (name == "DISCTIMEOUT") {
            ok = ParseSeconds(value, cmd.discTimeout);
            installOnly.push_back(arg);
        } else if (name == "LOG") {
            ok = ReadLogOption(*option, cmd);
        } else {
            error = "不明な引数です：" + arg;
            return std::nullopt;
        }
        if (!ok) {
            error = (fault.empty() ? std::string("引数の値が正しくありません：") : fault) + arg;
            return std::nullopt;
        }
    }
    if (!commandSeen) {
        error = "/install か /uninstall を指定してください。";
        return std::nullopt;
    }
    const bool install = cmd.command == CommandLine::Command::Install;
    const std::vector<std::string>& foreign = install ? uninstallOnly : installOnly;
    if (cmd.command != CommandLine::Command::Help && !foreign.empty()) {
        error = std::string(install ? "/install" : "/uninstall") + " では使えない引数です：" + foreign.front();
        return std::nullopt;
    }
    return cmd;
}

CommandLine LogOptionsOf(const std::vector<std::string>& args) {
    CommandLine cmd;
    for (const std::string& arg : args) {
        const auto option = arg.find('"') == std::string::npos ? OptionOf(arg) : std::nullopt;
        if (option && option->name == "LOG") ReadLogOption(*option, cmd);
    }
    return cmd;
}
