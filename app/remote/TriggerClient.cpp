#include "app/remote/TriggerClient.h"

#include "app/remote/TriggerRequest.h"
#include "app/remote/TriggerTexts.h"
#include "app/shell/InstanceClient.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <string_view>
#include <thread>

namespace {

int Fail(std::FILE* err, int status, const std::string& text) {
    const std::string line = "padora: " + text + "\n";
    std::fputs(line.c_str(), err);
    return status;
}

} // namespace

const char* CTriggerClient::UsageText() {
    return PADORA_TRANSLATE_NOOP(
        "CTriggerClient",
        "\n"
        "起動中の Padora への指示 (ウィンドウは開きません。一度に一つだけ指定します):\n"
        "  --pad N            チャンネル N (1〜10) のパッドを押す (キーと同じ)\n"
        "  --stop N           停止キーを押しながらチャンネル N のパッドを押す (停止、FO "
        "ならフェードアウト)\n"
        "  --allstop          全停止\n"
        "  --group next|prev|N  次 / 前 / N 番目 (1〜) のグループを選ぶ\n"
        "  --volume N V       チャンネル N の音量を V (0〜100) にする\n"
        "  --master V         マスター音量を V (0〜100) にする\n"
        "  --state            状態を 1 行で表示する (タブ区切り):\n"
        "                     グループ番号 (1〜, なしは 0)  グループ名  チャンネル 1〜10 の状態\n"
        "                     (-1 音なし, 0 停止中, 1 再生中)  操作中 (1: 指示を受け付けない)\n"
        "                     他のグループで再生中の音の数\n"
        "  終了コード 0: 受け付けられた, 1: Padora が起動していない・応答がない,\n"
        "             2: 引数の誤り・そのグループがない, 3: 操作中のウィンドウがあるため無視された\n"
        "  指示はウィンドウのライブラリを読み込まずに送るため数ミリ秒で終わり、\n"
        "  キーへの割り当てに向いています。\n"
        "  キーへの割り当て: GNOME は 設定 → キーボード → カスタムショートカット、KDE は\n"
        "  システム設定 → ショートカット → カスタムショートカット (コマンドを追加) に\n"
        "  コマンド padora --pad 1 を、sway は設定ファイルに\n"
        "  bindsym F1 exec padora --pad 1 を書く\n");
}

int CTriggerClient::Main(const std::vector<std::string>& args, std::FILE* out, std::FILE* err) {
    const CTriggerTexts texts = CTriggerTexts::ForUser();
    if (args.size() == 1 && (args[0] == "-h" || args[0] == "--help")) {
        std::fputs(texts.Text(PADORA_TRANSLATE_NOOP("CTriggerClient", "使い方: padora オプション\n")), out);
        std::fputs(texts.Text(UsageText()), out);
        return kExitOk;
    }
    const CTriggerRequest::Parsed parsed = CTriggerRequest::FromArguments(args);
    if (parsed.result != CTriggerRequest::Parsed::Result::Request)
        return Fail(err, kExitBadArguments,
                    parsed.result == CTriggerRequest::Parsed::Result::Error
                        ? texts.Say(parsed.error)
                        : texts.Text(PADORA_TRANSLATE_NOOP(
                              "CTriggerClient", "指示のオプションを一つ指定してください (padora --help)。")));
    return Run(parsed.line, CInstanceClient::SocketPathIn(), out, err, texts);
}

int CTriggerClient::Run(const std::string& request, const std::string& socketPath, std::FILE* out,
                        std::FILE* err, const CTriggerTexts& texts) {
    if (socketPath.empty())
        return Fail(
            err, kExitNotRunning,
            texts.Say({PADORA_TRANSLATE_NOOP("CTriggerClient",
                                             "%1 は他のユーザーも使えるため、Padora に指示を送りません。"),
                       {CInstanceClient::DefaultDir()}}));
    // A full queue (many connecting at once) empties within moments; nobody listening is final.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(kTimeoutMs);
    CInstanceClient::Result asked;
    for (;;) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        asked = CInstanceClient::Ask(socketPath, request, std::max(left, std::chrono::milliseconds(1)));
        if (asked.reply != CInstanceClient::Reply::NoListener || asked.nConnectError != EAGAIN ||
            left.count() <= kRetryMs)
            break;
        std::this_thread::sleep_for(std::chrono::milliseconds(kRetryMs));
    }
    switch (asked.reply) {
    case CInstanceClient::Reply::NoListener:
        return Fail(err, kExitNotRunning,
                    texts.Text(PADORA_TRANSLATE_NOOP("CTriggerClient", "Padora は起動していません。")));
    case CInstanceClient::Reply::NoAnswer:
        return Fail(err, kExitNotRunning,
                    texts.Text(PADORA_TRANSLATE_NOOP("CTriggerClient",
                                                     "Padora は起動していますが、応答がありません。")));
    case CInstanceClient::Reply::Answered:
        break;
    }
    const std::string& answer = asked.answer;
    if (answer == CTriggerRequest::kOk)
        return kExitOk;
    if (answer == CTriggerRequest::kBusy)
        return Fail(err, kExitRefused,
                    texts.Text(PADORA_TRANSLATE_NOOP(
                        "CTriggerClient", "Padora に操作中のウィンドウがあるため、無視されました。")));
    const std::string_view prefix(CTriggerRequest::kStatePrefix);
    if (answer.starts_with(prefix) && request == CTriggerRequest::kStateRequest) {
        std::fwrite(answer.data() + prefix.size(), 1, answer.size() - prefix.size(), out);
        std::fflush(out);
        return kExitOk;
    }
    if (answer == CTriggerRequest::kBad)
        return Fail(
            err, kExitBadArguments,
            texts.Text(PADORA_TRANSLATE_NOOP(
                "CTriggerClient", "Padora はこの指示を受け付けませんでした (そのグループはありません)。")));
    return Fail(err, kExitNotRunning,
                texts.Text(PADORA_TRANSLATE_NOOP("CTriggerClient", "Padora の答えが読めません。")));
}
