#include "app/shell/PadoraApp.h"

#include <gtest/gtest.h>

using Action = CPadoraApp::CommandLine::Action;

namespace {

QStringList Split(const QStringList& args) {
    QStringList pieces{QStringLiteral("left over")};
    EXPECT_EQ(CPadoraApp::SplitCommandLine(args, pieces), 1);
    return pieces;
}

} // namespace

TEST(SplitCommandLine, FirstPieceIsTheGroupFileWithQuotesRemoved) {
    EXPECT_TRUE(Split({}).isEmpty());
    EXPECT_EQ(Split({QStringLiteral("/show/set 1.pdg")}), QStringList{QStringLiteral("/show/set 1.pdg")});
    EXPECT_EQ(Split({QStringLiteral("\"/show/set 1.pdg\"")}), QStringList{QStringLiteral("/show/set 1.pdg")});
    EXPECT_EQ(Split({QStringLiteral("  set.pdg ")}), QStringList{QStringLiteral("set.pdg")});
    // Only enclosing quotes go: a quote inside a file name is part of the name.
    EXPECT_EQ(Split({QStringLiteral("a\"b.pdg")}), QStringList{QStringLiteral("a\"b.pdg")});
}

TEST(SplitCommandLine, OptionsStartPiecesAndALeadingOptionLeavesTheFirstEmpty) {
    EXPECT_EQ(
        Split({QStringLiteral("set.pdg"), QStringLiteral("--x"), QStringLiteral("1"), QStringLiteral("-y")}),
        (QStringList{QStringLiteral("set.pdg"), QStringLiteral("--x 1"), QStringLiteral("-y")}));
    EXPECT_EQ(Split({QStringLiteral("--x"), QStringLiteral("set.pdg")}),
              (QStringList{QString(), QStringLiteral("--x set.pdg")}));
    EXPECT_EQ(Split({QStringLiteral("a.pdg"), QStringLiteral("b.pdg")}),
              (QStringList{QStringLiteral("a.pdg"), QStringLiteral("b.pdg")}));
    // A lone "-" is a file name (as in many tools), not an option.
    EXPECT_EQ(Split({QStringLiteral("-")}), QStringList{QStringLiteral("-")});
}

TEST(ParseCommandLine, KnownOptions) {
    EXPECT_EQ(CPadoraApp::ParseCommandLine({}).action, Action::Run);
    EXPECT_EQ(CPadoraApp::ParseCommandLine({QStringLiteral("--help")}).action, Action::Help);
    EXPECT_EQ(CPadoraApp::ParseCommandLine({QStringLiteral("set.pdg"), QStringLiteral("-h")}).action,
              Action::Help);
    EXPECT_EQ(CPadoraApp::ParseCommandLine({QStringLiteral("-V")}).action, Action::Version);
    EXPECT_EQ(CPadoraApp::ParseCommandLine({QStringLiteral("--version")}).action, Action::Version);
    EXPECT_EQ(CPadoraApp::ParseCommandLine({QStringLiteral("--list-devices")}).action, Action::ListDevices);

    const auto check = CPadoraApp::ParseCommandLine({QStringLiteral("--check"), QStringLiteral("show.pdg")});
    EXPECT_EQ(check.action, Action::Check);
    EXPECT_EQ(check.strCheckFile, QStringLiteral("show.pdg"));
    const auto checkEq = CPadoraApp::ParseCommandLine({QStringLiteral("--check=-odd.pdg")});
    EXPECT_EQ(checkEq.action, Action::Check);
    EXPECT_EQ(checkEq.strCheckFile, QStringLiteral("-odd.pdg"));

    const auto fix = CPadoraApp::ParseCommandLine(
        {QStringLiteral("--fix-paths=/media/show"), QStringLiteral("--check"), QStringLiteral("show.pdg")});
    EXPECT_EQ(fix.action, Action::Check);
    EXPECT_EQ(fix.strCheckFile, QStringLiteral("show.pdg"));
    EXPECT_EQ(fix.strFixDir, QStringLiteral("/media/show"));
    // Mending paths is part of the check only, and needs its folder.
    EXPECT_EQ(CPadoraApp::ParseCommandLine({QStringLiteral("--fix-paths"), QStringLiteral("/media")}).action,
              Action::Error);
    EXPECT_EQ(CPadoraApp::ParseCommandLine(
                  {QStringLiteral("--check"), QStringLiteral("show.pdg"), QStringLiteral("--fix-paths")})
                  .action,
              Action::Error);
}

TEST(ParseCommandLine, GroupFileAndEndOfOptions) {
    const auto run = CPadoraApp::ParseCommandLine({QStringLiteral("show.pdg")});
    EXPECT_EQ(run.action, Action::Run);
    EXPECT_EQ(run.args, QStringList{QStringLiteral("show.pdg")});

    // After "--" a name beginning with "-" is a file, and the splitter keeps it as the first piece.
    const auto dashed = CPadoraApp::ParseCommandLine({QStringLiteral("--"), QStringLiteral("-set.pdg")});
    EXPECT_EQ(dashed.action, Action::Run);
    EXPECT_EQ(dashed.args, QStringList{QStringLiteral("-set.pdg")});
    EXPECT_EQ(Split({QStringLiteral("--"), QStringLiteral("-set.pdg")}),
              QStringList{QStringLiteral("-set.pdg")});
}

TEST(ParseCommandLine, ToolkitOptionsArePassedOverNotMistakenForTheFile) {
    const auto run = CPadoraApp::ParseCommandLine({QStringLiteral("-platform"), QStringLiteral("xcb"),
                                                   QStringLiteral("-style=Fusion"),
                                                   QStringLiteral("-reverse"), QStringLiteral("show.pdg")});
    EXPECT_EQ(run.action, Action::Run);
    EXPECT_EQ(run.args, QStringList{QStringLiteral("show.pdg")});
}

TEST(ParseCommandLine, MistakesAreRefusedWithAMessage) {
    const auto unknown = CPadoraApp::ParseCommandLine({QStringLiteral("--chek"), QStringLiteral("show.pdg")});
    EXPECT_EQ(unknown.action, Action::Error);
    EXPECT_TRUE(unknown.strError.contains(QStringLiteral("--chek")));

    EXPECT_EQ(CPadoraApp::ParseCommandLine({QStringLiteral("--check")}).action, Action::Error);
    EXPECT_EQ(CPadoraApp::ParseCommandLine({QStringLiteral("--check=")}).action, Action::Error);
}

TEST(ParseCommandLine, CollectTakesTheGroupFileAndTheFolderAndStandsAlone) {
    const auto collect = CPadoraApp::ParseCommandLine(
        {QStringLiteral("--collect"), QStringLiteral("show.pdg"), QStringLiteral("/media/usb")});
    EXPECT_EQ(collect.action, Action::Collect);
    EXPECT_EQ(collect.strCollectFile, QStringLiteral("show.pdg"));
    EXPECT_EQ(collect.strCollectDir, QStringLiteral("/media/usb"));
    EXPECT_TRUE(collect.args.isEmpty());
    // The folder is not taken for a group file to open, nor a missing one made up.
    EXPECT_EQ(CPadoraApp::ParseCommandLine({QStringLiteral("--collect"), QStringLiteral("show.pdg")}).action,
              Action::Error);
    EXPECT_EQ(CPadoraApp::ParseCommandLine(
                  {QStringLiteral("--collect"), QStringLiteral("show.pdg"), QStringLiteral("")})
                  .action,
              Action::Error);
    for (const QStringList& both : {QStringList{"--collect", "a.pdg", "out", "--check", "b.pdg"},
                                    QStringList{"--check", "b.pdg", "--collect", "a.pdg", "out"}})
        EXPECT_EQ(CPadoraApp::ParseCommandLine(both).action, Action::Error) << both.join(' ').toStdString();
}

TEST(DeviceListText, OneTabSeparatedLinePerDeviceWhateverItsName) {
    std::vector<playkit::AdxOutputDevice> devices(2);
    devices[0] = {"ALSA", "HDA Intel PCH: ALC892 Analog (hw:0,0)", 8, 44100.0, true};
    // A name may hold anything a driver puts there; the fields must stay four.
    devices[1] = {"JACK Audio Connection Kit", "odd\tname\n", 2, 48000.0, false};
    EXPECT_EQ(CPadoraApp::DeviceListText(devices),
              QStringLiteral("ALSA\tHDA Intel PCH: ALC892 Analog (hw:0,0)\t8\t44100\n"
                             "JACK Audio Connection Kit\todd name \t2\t48000\n"));
    EXPECT_TRUE(CPadoraApp::DeviceListText({}).isEmpty());
}
