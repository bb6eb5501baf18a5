// "収集して保存": the set as the window holds it, unsaved changes included, and all its sounds copied
// into one folder. The copying runs on a worker thread; the window keeps playing and painting meanwhile.
#include "app/data/ShowCollector.h"
#include "app/main/MainDlg.h"
#include "app/settings/Option.h"
#include "padkit/controls/BrowseDlg.h"
#include "padkit/util/MessageBox.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QFileInfo>
#include <QProgressDialog>
#include <QTimer>

#include <atomic>
#include <thread>

namespace {

// How often the progress dialog looks at the worker.
constexpr int kPollMs = 50;
constexpr int kProgressSteps = 1000;
// More missing sounds than this in one message are summed up.
constexpr int kMaxListedMissing = 10;

// The words of the message box that ends a collection.
QString ReportText(const CShowCollector::Report& report) {
    using Result = CShowCollector::Result;
    if (report.result == Result::Failed)
        return report.strError;
    if (report.result == Result::Cancelled)
        return QCoreApplication::translate("CMainDlg",
                                           "収集を中止しました。グループファイルは書き込んでいません。");
    QString text = QCoreApplication::translate(
                       "CMainDlg", "%1 に保存しました。\n%2 個の音声ファイルをコピーしました (%L3 バイト)。")
                       .arg(report.strSetFile)
                       .arg(report.copied.size())
                       .arg(report.CopiedBytes());
    if (report.nInPlace > 0)
        text += QLatin1Char('\n') +
                QCoreApplication::translate("CMainDlg", "%1 個の音声ファイルは既にフォルダにありました。")
                    .arg(report.nInPlace);
    if (!report.missing.empty()) {
        text += QStringLiteral("\n\n") +
                QCoreApplication::translate("CMainDlg",
                                            "次の音声ファイルが見つからないため、集めていません (%1 個):")
                    .arg(report.missing.size());
        int listed = 0;
        for (const CShowCollector::Missing& m : report.missing) {
            if (++listed > kMaxListedMissing) {
                text +=
                    QLatin1Char('\n') + QCoreApplication::translate("CMainDlg", "ほか %1 個")
                                            .arg(static_cast<int>(report.missing.size()) - kMaxListedMissing);
                break;
            }
            text += QStringLiteral("\n%1-%2 %3").arg(m.nGroup + 1).arg(m.nChannel + 1).arg(m.strPath);
        }
    }
    return text;
}

// Runs the collection on a worker thread behind a modal progress dialog with a cancel button; the
// worker has always ended when this returns. UI thread.
CShowCollector::Report RunWithProgress(QWidget* parent, const CShowCollector& collector) {
    std::atomic<qint64> done{0};
    std::atomic<qint64> total{0};
    std::atomic<bool> cancel{false};
    std::atomic<bool> finished{false};
    CShowCollector::Report report;

    QProgressDialog progress(QCoreApplication::translate("CMainDlg", "音声ファイルをコピーしています..."),
                             QCoreApplication::translate("CMainDlg", "中止"), 0, kProgressSteps, parent);
    progress.setWindowTitle(QCoreApplication::translate("CMainDlg", "収集中"));
    progress.setWindowModality(Qt::WindowModal);
    progress.setMinimumDuration(0);
    progress.setAutoClose(false);
    progress.setAutoReset(false);
    QObject::connect(&progress, &QProgressDialog::canceled, [&cancel] { cancel = true; });

    QEventLoop loop;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        const qint64 all = total.load();
        if (all > 0)
            progress.setValue(static_cast<int>(done.load() * kProgressSteps / all));
        if (finished.load())
            loop.quit();
    });
    std::thread worker([&] {
        // Worker thread: the collector holds its own copy of the set; only the atomics are shared.
        report = collector.Run([&](qint64 d, qint64 t) {
            done = d;
            total = t;
            return !cancel.load();
        });
        finished = true;
    });
    progress.show();
    poll.start(kPollMs);
    loop.exec();
    worker.join();
    return report;
}

} // namespace

void CMainDlg::OnFileCollect() {
    ReleaseHook();
    QString dir;
    if (m_askCollectFolder) {
        dir = m_askCollectFolder(this);
    } else {
        const QString start =
            m_strFilePath.isEmpty() ? GetGrpFolder(m_Settings) : CGroupFile::FolderOf(m_strFilePath);
        CBrowseDlg picker(
            start, QCoreApplication::translate("CMainDlg", "集める先のフォルダを選んでください"), this);
        picker.SetFlag(padkit::BIF_NEWDIALOGSTYLE | padkit::BIF_EDITBOX);
        if (picker.DoModal() == IDOK)
            dir = picker.GetPathName();
    }
    if (dir.isEmpty()) {
        RestoreHook();
        return;
    }
    const QString name = CShowCollector::SetNameFor(m_strFilePath, dir);
    const QString setFile = CShowCollector::SetFilePath(dir, name);
    if (QFileInfo::exists(setFile) &&
        PADKIT_MessageBox(
            this, QCoreApplication::translate("CMainDlg", "%1 は既にあります。上書きしますか？").arg(setFile),
            QString::fromUtf8(kConfirmCaption), MB_YESNO | MB_ICONQUESTION) != IDYES) {
        RestoreHook();
        return;
    }
    const CShowCollector collector(m_show.Set(), dir, name, m_strFilePath);
    const CShowCollector::Report report = RunWithProgress(this, collector);
    const bool failed = report.result == CShowCollector::Result::Failed;
    const bool complete = report.result == CShowCollector::Result::Complete;
    PADKIT_MessageBox(this, ReportText(report),
                      failed ? QString::fromUtf8(kErrorCaption)
                             : QCoreApplication::translate("CMainDlg", "収集して保存"),
                      MB_OK | (complete ? MB_ICONINFORMATION : MB_ICONEXCLAMATION));
    RestoreHook();
}
