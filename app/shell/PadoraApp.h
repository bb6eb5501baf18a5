#pragma once

#include "platform/WinTypes.h"

#include <QString>
#include <QStringList>

#include "playkit/AdxEngine.h"

#include <memory>
#include <string>
#include <vector>

class CMainFrame;
class CSingleInstance;
class CUiTranslator;

// The application object: reads the command line, keeps to one instance per user, creates the hidden
// frame and the main sampler window, and runs until the frame is closed.
class CPadoraApp {
public:
    // Exit statuses besides the check's own.
    static constexpr int kExitOk = 0;
    static constexpr int kExitFailure = 1; // another instance runs, or the named file cannot be opened
    static constexpr int kExitUsage = 2;   // unknown option or missing option argument
    static constexpr int kExitRefused = 3; // a trigger the running Padora refused: a modal window holds it

    // What the command line asks for.
    struct CommandLine {
        enum class Action { Run, Help, Version, Check, Collect, ListDevices, Trigger, Error };
        Action action = Action::Run;
        std::string request;    // for Action::Trigger: the line for the running Padora
        QString strCheckFile;   // --check FILE
        QString strFixDir;      // --fix-paths DIR (with --check)
        QString strCollectFile; // --collect FILE DIR
        QString strCollectDir;
        QStringList args; // the arguments left for the window, in order
        QString strError; // for Action::Error
    };

    CPadoraApp();
    ~CPadoraApp();

    // The program. argv as main received it.
    int Run(int argc, char** argv);

    // Options: -h/--help, -V/--version, --list-devices, --check FILE (or --check=FILE), --fix-paths DIR (or
    // --fix-paths=DIR, only with --check), --collect FILE DIR, a trigger for the running Padora alone (--pad
    // N and the others of CTriggerRequest); "--" ends the options. Any other argument beginning with "-" is
    // an error. Arguments that are not options are kept for the window.
    // Messages are in translator's language (nullptr: the installed translators').
    static CommandLine ParseCommandLine(const QStringList& args, const CUiTranslator* translator = nullptr);

    // Splits the arguments into pieces: the first piece is the group file path (empty when the arguments
    // begin with an option), then one piece per option with the arguments that follow it; after "--"
    // nothing counts as an option. Surrounding double quotes are removed and every piece is trimmed.
    // Returns 1.
    static int SplitCommandLine(const QStringList& args, QStringList& pieces);
    // The same for the arguments of this run.
    int SplitCommandLine(QStringList& pieces) const { return SplitCommandLine(m_args, pieces); }

    static QString UsageText(const CUiTranslator* translator = nullptr);
    // One line per output device: host API, name, channels, default rate, separated by tabs.
    static QString DeviceListText(const std::vector<playkit::AdxOutputDevice>& devices);
    static QString VersionText();

private:
    int RunWindow(int& argc, char** argv);
    bool OnAppCommand(UINT id);
    // A text of this class in the chosen language, also before the application object exists.
    QString Tr(const char* source) const;

    QStringList m_args;
    std::unique_ptr<CUiTranslator> m_pTranslator;
    std::unique_ptr<CSingleInstance> m_pInstance;
    std::unique_ptr<CMainFrame> m_pMainFrame;
};
