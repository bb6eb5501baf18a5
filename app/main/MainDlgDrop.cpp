// Sound files dragged from a file manager onto a pad or a row of the monitor list: each becomes its
// channel's sound as the channel dialog would make it and is loaded at once.
#include "app/data/GroupFile.h"
#include "app/data/SoundFileRules.h"
#include "app/lists/MonitorListCtrl.h"
#include "app/main/MainDlg.h"
#include "app/res/Resources.h"
#include "padkit/controls/GdiColorButton.h"
#include "padkit/util/MessageBox.h"

#include <QCoreApplication>
#include <QDropEvent>
#include <QFileInfo>
#include <QMimeData>
#include <QTimer>

#include <algorithm>
#include <functional>
#include <utility>

namespace {

constexpr int kBusyRetryMs = 100;
// More names than this in one message are summed up.
constexpr int kMaxListedNames = 10;

constexpr const char* kSkippedText =
    QT_TRANSLATE_NOOP("CMainDlg", "次のものはサウンドファイルではないため使いませんでした。");
constexpr const char* kFolderMark = QT_TRANSLATE_NOOP("CMainDlg", "%1（フォルダ）");
constexpr const char* kNotFileMark = QT_TRANSLATE_NOOP("CMainDlg", "%1（ファイルではありません）");
constexpr const char* kNoRoomText = QT_TRANSLATE_NOOP(
    "CMainDlg", "このグループの後ろのチャンネルに空きがないため、次のファイルは割り当てませんでした。");
constexpr const char* kMoreNamesText = QT_TRANSLATE_NOOP("CMainDlg", "ほか %1 件");

// Hands the drag events of the pads and the monitor list's rows to the window.
class CDropEventFilter : public QObject {
public:
    explicit CDropEventFilter(std::function<bool(QObject*, QEvent*)> filter) : m_filter(std::move(filter)) {}

protected:
    bool eventFilter(QObject* watched, QEvent* e) override { return m_filter(watched, e); }

private:
    std::function<bool(QObject*, QEvent*)> m_filter;
};

// A dropped URL that names a local file (not a folder): what a file manager drags.
bool IsDroppableFile(const QUrl& url) {
    return url.isLocalFile() && !QFileInfo(url.toLocalFile()).isDir();
}

bool HasDroppableFile(const QMimeData* mime) {
    if (!mime || !mime->hasUrls())
        return false;
    const QList<QUrl> urls = mime->urls();
    return std::any_of(urls.begin(), urls.end(), IsDroppableFile);
}

// The drop copies: the file manager must not move or delete the sound.
void AcceptCopy(QDropEvent* e) {
    if (e->possibleActions() & Qt::CopyAction)
        e->setDropAction(Qt::CopyAction);
    e->accept();
}

// One name a line, at most kMaxListedNames of them.
QString NameLines(const QStringList& names) {
    QStringList shown = names.mid(0, kMaxListedNames);
    if (names.size() > kMaxListedNames)
        shown << QCoreApplication::translate("CMainDlg", kMoreNamesText).arg(names.size() - kMaxListedNames);
    return shown.join(u'\n');
}

// The first channel after index that has no sound, -1 when none is left in the group.
int NextEmptyChannel(const CGroupData& g, int index) {
    for (int j = index + 1; j < CGroupData::kChannelCount; ++j)
        if (g.m_aChannel[j].m_strFile.isEmpty())
            return j;
    return -1;
}

} // namespace

void CMainDlg::InitDrop() {
    m_pDropFilter = std::make_unique<CDropEventFilter>(
        [this](QObject* watched, QEvent* e) { return FilterDropEvent(watched, e); });
    for (CPadButtonCtrl* pad : m_btnPad) {
        pad->setAcceptDrops(true);
        pad->installEventFilter(m_pDropFilter.get());
    }
    // A list's rows are painted on its viewport, which is what a drag moves over.
    m_listMonitor->viewport()->setAcceptDrops(true);
    m_listMonitor->viewport()->installEventFilter(m_pDropFilter.get());
}

int CMainDlg::DropChannel(const QObject* watched, const QPoint& pos) const {
    for (int i = 0; i < kChannelCount; ++i)
        if (watched == m_btnPad[i])
            return i;
    if (watched != m_listMonitor->viewport())
        return -1;
    const int row = m_listMonitor->HitTest(pos);
    if (row < 0)
        return -1;
    const auto index = static_cast<int>(m_listMonitor->GetItemData(row));
    return index >= 0 && index < kChannelCount ? index : -1;
}

bool CMainDlg::FilterDropEvent(QObject* watched, QEvent* e) {
    switch (e->type()) {
    case QEvent::DragEnter: {
        // Taken when it carries a file at all, so that the moves that follow tell row from no row.
        auto* drag = static_cast<QDragEnterEvent*>(e);
        if (HasDroppableFile(drag->mimeData()) && !IsInHandler() && GetCurGroup()) {
            m_dragUrls = drag->mimeData()->urls();
            AcceptCopy(drag);
        } else {
            drag->ignore();
        }
        return true;
    }
    case QEvent::DragLeave:
        m_dragUrls.clear();
        return false;
    case QEvent::DragMove: {
        auto* drag = static_cast<QDragMoveEvent*>(e);
        const int i = DropChannel(watched, drag->position().toPoint());
        if (i >= 0 && !m_dragUrls.isEmpty() && !IsInHandler() && GetCurGroup()) {
            AcceptCopy(drag);
            // The row the file would go to shows selected.
            if (watched == m_listMonitor->viewport())
                m_listMonitor->SetCurSel(m_listMonitor->HitTest(drag->position().toPoint()), TRUE, FALSE);
        } else {
            drag->ignore();
        }
        return true;
    }
    case QEvent::Drop: {
        auto* drop = static_cast<QDropEvent*>(e);
        const int i = DropChannel(watched, drop->position().toPoint());
        // Some sources hand their data over only while the drag moves, not with the drop itself: then
        // what the drag carried when it came in is what is dropped.
        QList<QUrl> urls = HasDroppableFile(drop->mimeData()) ? drop->mimeData()->urls() : m_dragUrls;
        m_dragUrls.clear();
        if (i < 0 || urls.isEmpty() || IsInHandler() || !GetCurGroup()) {
            drop->ignore();
            return true;
        }
        AcceptCopy(drop);
        // The drag source waits for the answer to the drop: the files are taken (and any message
        // shown) once it has it.
        const int tab = m_show.CurrentGroupIndex();
        QTimer::singleShot(0, this, [this, tab, i, urls] { DropSoundFiles(tab, i, urls); });
        return true;
    }
    default:
        return false;
    }
}

void CMainDlg::DropSoundFiles(int tab, int i, const QList<QUrl>& urls) {
    if (IsInHandler()) {
        // A message box or the loader of another command runs: the drop waits for it.
        QTimer::singleShot(kBusyRetryMs, this, [this, tab, i, urls] { DropSoundFiles(tab, i, urls); });
        return;
    }
    CGroupData* g = GetCurGroup();
    // The channels named were those of the group shown at the drop.
    if (!g || m_show.CurrentGroupIndex() != tab)
        return;
    const HandlerScope scope(m_nHandlerDepth);
    ReleaseHook();

    QStringList skipped;
    QStringList unplaced;
    // The files the player refused, by the message that says why, in the order first met: a drop of
    // hundreds of them is told in one message, not one box each.
    QList<std::pair<QString, QStringList>> refused;
    QStringList unstorable;
    int next = i;
    for (const QUrl& url : urls) {
        if (!url.isLocalFile()) {
            skipped << QCoreApplication::translate("CMainDlg", kNotFileMark).arg(url.toDisplayString());
            continue;
        }
        const QString path = soundfile::StoredPath(url.toLocalFile());
        if (QFileInfo(path).isDir()) {
            skipped << QCoreApplication::translate("CMainDlg", kFolderMark).arg(path);
            continue;
        }
        if (!CGroupFile::CanStorePath(path)) {
            unstorable << CGroupFile::ShownPath(path);
            continue;
        }
        if (next < 0) {
            unplaced << path;
            continue;
        }
        // A file the player refuses leaves the channel as it was, a playing sound included.
        const AdxResult r = CShowSession::ProbeSound(path);
        if (r != AdxResult::kOk) {
            const QString why = CShowSession::OpenFailureText(path, r);
            auto it = std::find_if(refused.begin(), refused.end(),
                                   [&why](const auto& e) { return e.first == why; });
            if (it == refused.end())
                refused.append({why, {path}});
            else
                it->second << path;
            continue;
        }

        CChannelData sound = g->m_aChannel[next];
        soundfile::AssignSoundFile(sound, path);
        sound.m_nVolume = soundfile::kNewSoundVolume;
        m_show.LoadSound(next, sound);
        next = NextEmptyChannel(*g, next);
    }

    QStringList parts;
    for (const auto& [why, names] : refused)
        parts << why.arg(NameLines(names));
    if (!skipped.isEmpty())
        parts << QCoreApplication::translate("CMainDlg", kSkippedText) + u'\n' + NameLines(skipped);
    if (!unstorable.isEmpty())
        parts << QCoreApplication::translate("CGroupFile", CGroupFile::kUnstorableNameText) + u'\n' +
                     NameLines(unstorable);
    if (!unplaced.isEmpty())
        parts << QCoreApplication::translate("CMainDlg", kNoRoomText) + u'\n' + NameLines(unplaced);
    if (!parts.isEmpty())
        PADKIT_MessageBox(this, parts.join(QStringLiteral("\n\n")), LoadResString(IDS_APP_TITLE),
                          MB_ICONEXCLAMATION | MB_OK);
    RestoreHook();
}
