#include "app/shell/PadoraApp.h"

#include "app/data/GroupCheck.h"
#include "app/data/ShowCollector.h"
#include "app/main/MainDlg.h"
#include "app/remote/TriggerClient.h"
#include "app/remote/TriggerControl.h"
#include "app/remote/TriggerRequest.h"
#include "app/res/Resources.h"
#include "app/settings/AudioSettings.h"
#include "app/settings/UiSettings.h"
#include "app/shell/AboutDlg.h"
#include "app/shell/InstanceClient.h"
#include "app/shell/MainFrame.h"
#include "app/shell/SingleInstance.h"
#include "app/shell/UiLanguage.h"
#include "app/shell/UiTranslator.h"
#include "padkit/util/MessageBox.h"
#include "platform/Allocator.h"
#include "platform/HandOff.h"
#include "platform/Message.h"
#include "platform/ModalFocus.h"
#include "platform/SafeFile.h"
#include "playkit/AdxEngine.h"

#include <QApplication>
#include <QFile>
#include <QTextStream>

#include <cstdio>
#include <dirent.h>
#include <new>
#include <optional>
#include <string>
#include <string_view>
#include <sys/resource.h>
#include <system_error>
#include <vector>

namespace {

// What the window, the toolkit's display connection, the engine and the instance socket open at
// once, with room to spare for the files of a set.
constexpr rlim_t kMinFreeDescriptors = 64;
// Address space the window's start takes beyond what the program has mapped when it begins: the
// toolkit's display connection and its threads, the engine's threads and buffers. With less the
// toolkit fails a thread (and then waits for ever) or a shared segment.
constexpr std::size_t kStartAddressSpace = std::size_t{96} * 1024 * 1024;
constexpr const char* kNoMemoryText = QT_TRANSLATE_NOOP("CPadoraApp", "メモリが足りないため起動できません。");
constexpr const char* kNoDescriptorsText =
    QT_TRANSLATE_NOOP("CPadoraApp", "開けるファイルの数が足りないため起動できません。");
constexpr const char* kRanOutText =
    QT_TRANSLATE_NOOP("CPadoraApp", "メモリまたはスレッドが足りなくなったため終了しました。");
constexpr const char* kCannotStartText = QT_TRANSLATE_NOOP("CPadoraApp", "起動できません (%1)。");

bool IsOption(const QString& arg) {
    return arg.size() > 1 && arg.startsWith(QLatin1Char('-'));
}

QString Unquoted(QString s) {
    s = s.trimmed();
    if (s.size() >= 2 && s.startsWith(QLatin1Char('"')) && s.endsWith(QLatin1Char('"')))
        s = s.mid(1, s.size() - 2).trimmed();
    return s;
}

// The named file must at least open for reading; what it holds is the window's business. A FIFO, a
// device or a folder is refused without waiting on it.
bool CanOpen(const QString& path) {
    QFile file;
    return platform::OpenRegularFile(path, file) == platform::OpenResult::Opened;
}

// The toolkit's own options (-platform xcb, -style=Fusion, -reverse ...), which its application object
// takes out of the arguments: how many arguments the one at i spans, 0 when it is none of them.
int ToolkitOptionLength(const QStringList& args, int i) {
    static const QStringList kWithValue = {QStringLiteral("-platform"),
                                           QStringLiteral("-platformpluginpath"),
                                           QStringLiteral("-platformtheme"),
                                           QStringLiteral("-plugin"),
                                           QStringLiteral("-qwindowgeometry"),
                                           QStringLiteral("-qwindowtitle"),
                                           QStringLiteral("-qwindowicon"),
                                           QStringLiteral("-display"),
                                           QStringLiteral("-geometry"),
                                           QStringLiteral("-style"),
                                           QStringLiteral("-stylesheet"),
                                           QStringLiteral("-session"),
                                           QStringLiteral("-name"),
                                           QStringLiteral("-title"),
                                           QStringLiteral("-visual")};
    static const QStringList kFlags = {QStringLiteral("-reverse"), QStringLiteral("-widgetcount"),
                                       QStringLiteral("-nograb"), QStringLiteral("-dograb"),
                                       QStringLiteral("-sync")};
    QString a = args[i];
    if (a.startsWith(QLatin1String("--")))
        a.remove(0, 1);
    const QString name = a.section(QLatin1Char('='), 0, 0);
    if (kFlags.contains(a))
        return 1;
    if (!kWithValue.contains(name))
        return 0;
    if (a.contains(QLatin1Char('=')))
        return 1;
    return i + 1 < args.size() ? 2 : 1;
}

// Without any display the toolkit would abort with a message about its plugins; say what is missing.
bool HasDisplay(int argc, char** argv) {
    if (!qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") || !qEnvironmentVariableIsEmpty("DISPLAY") ||
        !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY"))
        return true;
    for (int i = 1; i < argc; ++i) {
        const QByteArray a(argv[i]);
        if (a == "-platform" || a == "--platform" || a.startsWith("-platform=") ||
            a.startsWith("--platform="))
            return true;
    }
    return false;
}

rlim_t OpenDescriptorCount() {
    rlim_t n = 0;
    if (DIR* dir = opendir("/proc/self/fd")) {
        while (const dirent* e = readdir(dir))
            if (e->d_name[0] != '.')
                ++n;
        closedir(dir);
        --n; // the folder's own
    }
    return n;
}

// Whether kMinFreeDescriptors more files can be opened, the soft limit raised within the hard one
// when that is all that is missing. Below that the display connection is not even answered in time.
bool HasDescriptorsToStart() {
    rlimit lim{};
    if (getrlimit(RLIMIT_NOFILE, &lim) != 0 || lim.rlim_cur == RLIM_INFINITY)
        return true;
    const rlim_t need = OpenDescriptorCount() + kMinFreeDescriptors;
    if (lim.rlim_cur >= need)
        return true;
    if (lim.rlim_max != RLIM_INFINITY && lim.rlim_max < need)
        return false;
    lim.rlim_cur = need;
    return setrlimit(RLIMIT_NOFILE, &lim) == 0;
}

// The engine's lines reach the user on standard error, as written, one whole line per write so that
// lines of two engine threads never mix. Any engine thread.
void WriteEngineLine(playkit::AdxLogLevel, std::string_view line) {
    std::string text(line);
    text += '\n';
    std::fwrite(text.data(), 1, text.size(), stderr);
}

constexpr const char* kContext = "CPadoraApp";

QString Translated(const CUiTranslator* translator, const char* source, const char* context = kContext) {
    return translator ? translator->Text(context, source) : QCoreApplication::translate(context, source);
}

int StartFailed(const QString& text) {
    QTextStream(stderr) << "padora: " << text << "\n";
    return CPadoraApp::kExitFailure;
}

// The value of an option given as "NAME VALUE" or "NAME=VALUE" at args[i] (i moves past a separate
// value): nothing when args[i] is not that option, an empty string when its value is missing.
std::optional<QString> OptionValue(const QStringList& args, int& i, const QString& name) {
    const QString& a = args[i];
    if (a == name)
        return i + 1 < args.size() ? args[++i] : QString();
    if (a.startsWith(name + QLatin1Char('=')))
        return a.mid(name.size() + 1);
    return std::nullopt;
}

QStringList ArgumentsOf(int argc, char** argv) {
    QStringList args;
    for (int i = 1; i < argc; ++i)
        args << QString::fromLocal8Bit(argv[i]);
    return args;
}

} // namespace

// A trigger run through the window program ends as one through padora.
static_assert(CPadoraApp::kExitOk == CTriggerClient::kExitOk &&
              CPadoraApp::kExitFailure == CTriggerClient::kExitNotRunning &&
              CPadoraApp::kExitUsage == CTriggerClient::kExitBadArguments &&
              CPadoraApp::kExitRefused == CTriggerClient::kExitRefused);

CPadoraApp::CPadoraApp() = default;

CPadoraApp::~CPadoraApp() = default;

QString CPadoraApp::UsageText(const CUiTranslator* translator) {
    return Translated(translator,
                      QT_TRANSLATE_NOOP(
                          "CPadoraApp",
                          "使い方: padora [オプション] [グループファイル]\n"
                          "\n"
                          "  グループファイル   起動時に読み込むグループファイル (.pdg, .dat)\n"
                          "  --check ファイル   ウィンドウを開かずにグループファイルを点検し、\n"
                          "                     すべての音声ファイルをプレーヤーで開いてみる\n"
                          "                     (終了コード 0: 全ファイル再生可, 1: 見つからない・\n"
                          "                      再生できないファイルあり, 2: グループがない)\n"
                          "  --fix-paths フォルダ  --check と共に: 見つからない音声ファイルをフォルダの下で\n"
                          "                     名前から探し、修正したコピー (名前-fixed.pdg) を書く\n"
                          "  --list-devices     音声出力デバイスの一覧を表示する\n"
                          "                     (ホストAPI, 名前, チャンネル数, 標準サンプリング周波数; "
                          "タブ区切り)\n"
                          "  -h, --help         この説明を表示する\n"
                          "  -V, --version      バージョンを表示する\n")) +
           Translated(
               translator,
               QT_TRANSLATE_NOOP(
                   "CPadoraApp",
                   "  --collect ファイル フォルダ  ウィンドウを開かずにグループファイルとその音声ファイルを\n"
                   "                     フォルダに集める (音声は フォルダ/sounds/ に, 相対パスの\n"
                   "                     フォルダ/名前.pdg を書く; 終了コード 0: すべて収集, 1: "
                   "見つからない\n"
                   "                     ファイルあり, 2: 失敗)\n")) +
           Translated(translator, CTriggerClient::UsageText(), CTriggerTexts::kContext);
}

QString CPadoraApp::VersionText() {
    return QString::fromLatin1(kVersionText) + QLatin1Char('\n');
}

QString CPadoraApp::DeviceListText(const std::vector<playkit::AdxOutputDevice>& devices) {
    QString text;
    for (const playkit::AdxOutputDevice& d : devices) {
        // A tab or line break inside a name would shift the fields of the line.
        auto field = [](const std::string& s) {
            QString f = QString::fromStdString(s);
            f.replace(QLatin1Char('\t'), QLatin1Char(' ')).replace(QLatin1Char('\n'), QLatin1Char(' '));
            return f;
        };
        text += QStringLiteral("%1\t%2\t%3\t%4\n")
                    .arg(field(d.hostApi), field(d.name))
                    .arg(d.channels)
                    .arg(QString::number(d.defaultRate, 'g', 10));
    }
    return text;
}

CPadoraApp::CommandLine CPadoraApp::ParseCommandLine(const QStringList& args,
                                                     const CUiTranslator* translator) {
    CommandLine cl;
    // A trigger is the whole command line or an error, whatever else it holds.
    std::vector<std::string> plain;
    for (const QString& a : args)
        plain.push_back(a.toLocal8Bit().toStdString());
    const CTriggerRequest::Parsed trigger = CTriggerRequest::FromArguments(plain);
    if (trigger.result == CTriggerRequest::Parsed::Result::Request) {
        cl.action = CommandLine::Action::Trigger;
        cl.request = trigger.line;
        return cl;
    }
    if (trigger.result == CTriggerRequest::Parsed::Result::Error) {
        cl.action = CommandLine::Action::Error;
        const QString said = Translated(translator, trigger.error.source, CTriggerTexts::kContext);
        cl.strError = QString::fromStdString(trigger.error.With(said.toStdString()));
        return cl;
    }
    bool optionsEnded = false;
    bool bFix = false;
    for (int i = 0; i < args.size(); ++i) {
        const QString& a = args[i];
        if (optionsEnded || !IsOption(a)) {
            cl.args << a;
            continue;
        }
        if (a == QLatin1String("--")) {
            optionsEnded = true;
        } else if (const int taken = ToolkitOptionLength(args, i); taken > 0) {
            i += taken - 1;
        } else if (a == QLatin1String("-h") || a == QLatin1String("--help")) {
            cl.action = CommandLine::Action::Help;
            return cl;
        } else if (a == QLatin1String("-V") || a == QLatin1String("--version")) {
            cl.action = CommandLine::Action::Version;
            return cl;
        } else if (a == QLatin1String("--list-devices")) {
            cl.action = CommandLine::Action::ListDevices;
            return cl;
        } else if (const auto file = OptionValue(args, i, QStringLiteral("--check"))) {
            if (file->isEmpty()) {
                cl.action = CommandLine::Action::Error;
                cl.strError =
                    Translated(translator,
                               QT_TRANSLATE_NOOP("CPadoraApp",
                                                 "--check には点検するグループファイルを指定してください。"));
                return cl;
            }
            cl.action = CommandLine::Action::Check;
            cl.strCheckFile = *file;
        } else if (a == QLatin1String("--collect")) {
            if (i + 2 >= args.size() || args[i + 1].isEmpty() || args[i + 2].isEmpty()) {
                cl.action = CommandLine::Action::Error;
                cl.strError = QCoreApplication::translate(
                    "CPadoraApp", "--collect にはグループファイルと収集先のフォルダを指定してください。");
                return cl;
            }
            cl.action = CommandLine::Action::Collect;
            cl.strCollectFile = args[++i];
            cl.strCollectDir = args[++i];
        } else if (const auto dir = OptionValue(args, i, QStringLiteral("--fix-paths"))) {
            if (dir->isEmpty()) {
                cl.action = CommandLine::Action::Error;
                cl.strError = Translated(
                    translator,
                    QT_TRANSLATE_NOOP("CPadoraApp",
                                      "--fix-paths には音声ファイルを探すフォルダを指定してください。"));
                return cl;
            }
            cl.strFixDir = *dir;
            bFix = true;
        } else {
            cl.action = CommandLine::Action::Error;
            cl.strError =
                Translated(translator, QT_TRANSLATE_NOOP("CPadoraApp", "不明なオプションです: %1")).arg(a);
            return cl;
        }
    }
    if (!cl.strCollectFile.isEmpty() && (bFix || !cl.strCheckFile.isEmpty())) {
        cl.action = CommandLine::Action::Error;
        cl.strError = Translated(
            translator, QT_TRANSLATE_NOOP("CPadoraApp", "--collect は --check と一緒には指定できません。"));
        return cl;
    }
    if (bFix && cl.action != CommandLine::Action::Check) {
        cl.action = CommandLine::Action::Error;
        cl.strError = Translated(
            translator, QT_TRANSLATE_NOOP("CPadoraApp", "--fix-paths は --check と一緒に指定してください。"));
    }
    return cl;
}

int CPadoraApp::SplitCommandLine(const QStringList& args, QStringList& pieces) {
    pieces.clear();
    QString piece;
    bool first = true;
    bool optionsEnded = false;
    for (const QString& arg : args) {
        const QString a = Unquoted(arg);
        if (!optionsEnded && a == QLatin1String("--")) {
            optionsEnded = true;
        } else if (!optionsEnded && IsOption(a)) {
            // An option closes the current piece (kept even when empty) and starts its own.
            pieces << piece.trimmed();
            piece = a;
            first = false;
        } else if (first) {
            // The group file is one argument; further plain arguments become pieces of their own.
            if (!pieces.isEmpty() || !piece.isEmpty())
                pieces << piece.trimmed();
            piece = a;
        } else {
            piece += QLatin1Char(' ') + a;
        }
    }
    if (!piece.isEmpty())
        pieces << piece.trimmed();
    return 1;
}

QString CPadoraApp::Tr(const char* source) const {
    return Translated(m_pTranslator.get(), source);
}

int CPadoraApp::Run(int argc, char** argv) {
    const QStringList args = ArgumentsOf(argc, argv);
    // Before anything else is set up, so that a key binding's run is over at once.
    if (const CommandLine trigger = ParseCommandLine(args); trigger.action == CommandLine::Action::Trigger)
        return CTriggerClient::Run(trigger.request, CInstanceClient::SocketPathIn(), stdout, stderr);
    // The language of every text, chosen before the first one is shown: the settings file's UI section,
    // else the desktop's locale.
    m_pTranslator = std::make_unique<CUiTranslator>(
        CUiLanguage::Choose(CUiSettings::LoadQuietly(CSettingsFile().Path()).language));
    const CommandLine cl = ParseCommandLine(args, m_pTranslator.get());
    playkit::CAdxEngine::SetLogSink(&WriteEngineLine);
    switch (cl.action) {
    case CommandLine::Action::Help:
        QTextStream(stdout) << UsageText(m_pTranslator.get());
        return kExitOk;
    case CommandLine::Action::Version:
        QTextStream(stdout) << VersionText();
        return kExitOk;
    case CommandLine::Action::ListDevices:
        QTextStream(stdout) << DeviceListText(playkit::CAdxEngine::OutputDevices());
        return kExitOk;
    case CommandLine::Action::Check: {
        QCoreApplication app(argc, argv);
        m_pTranslator->Install();
        QTextStream out(stdout);
        QTextStream err(stderr);
        // The sounds are opened, never played: no sound device is touched.
        playkit::AdxEngineConfig config;
        config.backend = playkit::AdxBackend::Offline;
        playkit::CAdxEngine::Configure(config);
        const int status = cl.strFixDir.isEmpty() ? RunGroupCheck(cl.strCheckFile, out, err)
                                                  : RunGroupFix(cl.strCheckFile, cl.strFixDir, out, err);
        playkit::CAdxEngine::Shutdown();
        return status;
    }
    case CommandLine::Action::Collect: {
        QCoreApplication app(argc, argv);
        m_pTranslator->Install();
        QTextStream out(stdout);
        QTextStream err(stderr);
        return CShowCollector::RunCommandLine(cl.strCollectFile, cl.strCollectDir, out, err);
    }
    case CommandLine::Action::Error:
        QTextStream(stderr) << "padora: " << cl.strError << "\n"
                            << Tr(QT_TRANSLATE_NOOP("CPadoraApp",
                                                    "詳しくは padora --help を参照してください。"))
                            << "\n";
        return kExitUsage;
    case CommandLine::Action::Trigger:
    case CommandLine::Action::Run:
        break;
    }
    if (!HasDescriptorsToStart())
        return StartFailed(Tr(kNoDescriptorsText));
    if (!platform::HasAddressSpace(kStartAddressSpace))
        return StartFailed(Tr(kNoMemoryText));
    // Threads and memory the start could not get end it with a word, not an abort.
    try {
        return RunWindow(argc, argv);
    } catch (const std::bad_alloc&) {
        return StartFailed(Tr(kNoMemoryText));
    } catch (const std::system_error& e) {
        const std::error_code code = e.code();
        if (code == std::errc::too_many_files_open || code == std::errc::too_many_files_open_in_system)
            return StartFailed(Tr(kNoDescriptorsText));
        if (code == std::errc::resource_unavailable_try_again || code == std::errc::not_enough_memory)
            return StartFailed(Tr(kNoMemoryText));
        return StartFailed(Tr(kCannotStartText).arg(QString::fromLocal8Bit(e.what())));
    }
}

int CPadoraApp::RunWindow(int& argc, char** argv) {
    // Before the display is opened, so that a second start is over at once.
    m_pInstance = std::make_unique<CSingleInstance>();
    const CSingleInstance::Result claim = m_pInstance->Claim();
    switch (claim) {
    case CSingleInstance::Result::First:
        break;
    case CSingleInstance::Result::AnotherRuns:
        QTextStream(stderr) << "padora: "
                            << Tr(QT_TRANSLATE_NOOP(
                                   "CPadoraApp",
                                   "Padora は既に起動しています。そのウィンドウを前面に出しました。"))
                            << "\n";
        return kExitFailure;
    case CSingleInstance::Result::AnotherUnreached:
        QTextStream(stderr) << "padora: "
                            << Tr(QT_TRANSLATE_NOOP("CPadoraApp",
                                                    "Padora は既に起動していますが、応答がありません。"))
                            << "\n";
        return kExitFailure;
    case CSingleInstance::Result::Failed:
        // Better a running soundboard without the guard than none at all.
        QTextStream(stderr)
            << "padora: "
            << Tr(QT_TRANSLATE_NOOP("CPadoraApp", "%1 を作成できません。二重起動の確認を行わずに続けます。"))
                   .arg(m_pInstance->LockPath())
            << "\n";
        break;
    }

    if (!HasDisplay(argc, argv)) {
        QTextStream(stderr) << "padora: "
                            << Tr(QT_TRANSLATE_NOOP(
                                   "CPadoraApp",
                                   "表示先のディスプレイがありません (DISPLAY が設定されていません)。"))
                            << "\n";
        return kExitFailure;
    }
    platform::CApplication app(argc, argv);
    // Qt's own windows (the file dialogs of group and sound files, their overwrite question, the
    // edit fields' menu) speak the program's language.
    m_pTranslator->Install();
    QApplication::setApplicationName(QStringLiteral("padora"));
    // Wayland's app id: the desktop shows the window with the menu entry's name and icon.
    QGuiApplication::setDesktopFileName(QStringLiteral(PADORA_APP_ID));
    // Not Qt's display name: the X11 platform would append it to every caption.
    PADKIT_SetAppTitle(LoadResString(IDS_APP_TITLE));
    QApplication::setWindowIcon(LoadAppIcon());
    // The frame is hidden; the program ends when the frame is closed, not when a window closes.
    QApplication::setQuitOnLastWindowClosed(false);
    // Closing a dialog or a message box gives the keys back to the window that had them.
    platform::CModalFocus modalFocus;
    app.installEventFilter(&modalFocus);
    // Triggers act on the show once its window has started its remotes; until then they are refused.
    m_pInstance->SetRequestHandler([this](const QByteArray& line, const CSingleInstance::Reply& reply) {
        CMainDlg* dlg = m_pMainFrame ? m_pMainFrame->GetMainDlg() : nullptr;
        CTriggerControl* triggers = dlg ? dlg->Triggers() : nullptr;
        if (!CTriggerControl::Decode(line))
            reply(CTriggerRequest::kBad);
        else if (!triggers)
            reply(CTriggerRequest::kBusy);
        else
            triggers->Take(line, reply);
    });
    if (claim == CSingleInstance::Result::First && !m_pInstance->Serve([this] {
            if (m_pMainFrame)
                m_pMainFrame->ActivateMainWindow();
        })) {
        QTextStream(stderr) << "padora: "
                            << Tr(QT_TRANSLATE_NOOP("CPadoraApp",
                                                    "%1 を開けません。二重起動したときに前面に出せません。"))
                                   .arg(m_pInstance->SocketPath())
                            << "\n";
    }

    // The application object has taken its own options out of argv: only plain arguments and "--" are
    // left, and the splitter honours "--" as the parser did.
    m_args = ArgumentsOf(argc, argv);

    QStringList pieces;
    SplitCommandLine(pieces);
    if (!pieces.isEmpty() && !pieces.first().isEmpty() && !CanOpen(pieces.first())) {
        const QString text =
            Tr(QT_TRANSLATE_NOOP("CPadoraApp", "%1\nファイルを開けませんでした。")).arg(pieces.first());
        QTextStream(stderr) << "padora: " << text << "\n";
        PADKIT_MessageBox(nullptr, text, QString(), MB_OK | MB_ICONEXCLAMATION);
        return kExitFailure;
    }

    {
        // Everything the start looks up in Padora.INI comes from one reading of it.
        const CSettingsFile settings;
        const CSettingsFile::CLoadScope load(settings);
        // The stored output (or PADORA_AUDIO's) before the first player starts the engine.
        AUDIOSETTINGS audio;
        LoadAudioSettings(audio, settings);
        playkit::CAdxEngine::Configure(AudioEngineConfig(audio));

        m_pMainFrame = std::make_unique<CMainFrame>([this](UINT id) { return OnAppCommand(id); });
        QObject::connect(m_pMainFrame.get(), &CMainFrame::Closed, &app,
                         [] { QCoreApplication::exit(kExitOk); });

        auto pMainDlg = std::make_unique<CMainDlg>(m_pMainFrame->GetCom(), nullptr, settings);
        pMainDlg->Create(pieces);
        // Without a set from the command line the window has posted itself a new set: it loads before
        // the window shows, as a named set does, so the window never appears blocked by its loader.
        QCoreApplication::sendPostedEvents(pMainDlg.get(), platform::MessageEvent::eventType());
        pMainDlg->show();
        m_pMainFrame->SetMainDlg(std::move(pMainDlg));
    }

    const int status = app.exec();
    m_pMainFrame.reset();
    m_pInstance.reset();
    // The window had started: what ran out is said as the reason it ended, not as a failed start.
    if (app.TakeFailure())
        return StartFailed(Tr(kRanOutText));
    return status;
}

bool CPadoraApp::OnAppCommand(UINT id) {
    if (id != ID_APP_ABOUT)
        return false;
    CAboutDlg about(m_pMainFrame ? m_pMainFrame->GetMainDlg() : nullptr);
    about.exec();
    return true;
}
