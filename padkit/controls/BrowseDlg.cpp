#include "padkit/controls/BrowseDlg.h"

#include "padkit/util/MessageBox.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QFileSystemModel>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QUrl>

namespace {

const char kStatusName[] = "browseStatus";

// Whether path is root or inside it; every path is when there is no root.
bool WithinRoot(const QString& root, const QString& path) {
    if (root.isEmpty())
        return true;
    const QString clean = QDir::cleanPath(QFileInfo(path).absoluteFilePath());
    return clean == root ||
           clean.startsWith(root.endsWith(QLatin1Char('/')) ? root : root + QLatin1Char('/'));
}

void ShowChild(QWidget* dialog, const char* name, bool show) {
    if (auto* w = dialog->findChild<QWidget*>(QLatin1String(name)))
        w->setVisible(show);
}

// The picker itself: a folder-only file dialog that lets the owner judge names it cannot find, and
// keeps the user at or below its root.
class CFolderPicker : public QFileDialog {
public:
    CFolderPicker(CBrowseDlg& owner, QWidget* parent, const QString& title, const QString& root, UINT flags)
        : QFileDialog(parent, title), m_owner(owner), m_strRoot(root), m_nFlags(flags) {
        setOption(QFileDialog::DontUseNativeDialog);
        setOption(QFileDialog::ShowDirsOnly, !(flags & padkit::BIF_BROWSEINCLUDEFILES));
        // Only a mode that takes any name lets a file be chosen; folders are then taken by accept below.
        setFileMode(flags & padkit::BIF_BROWSEINCLUDEFILES ? QFileDialog::AnyFile : QFileDialog::Directory);
        setAcceptMode(QFileDialog::AcceptOpen);
        auto* status = new QLabel(this);
        status->setObjectName(QLatin1String(kStatusName));
        status->setTextInteractionFlags(Qt::TextSelectableByMouse);
        if (auto* grid = qobject_cast<QGridLayout*>(layout()))
            grid->addWidget(status, grid->rowCount(), 0, 1, grid->columnCount());
        const bool newStyle = flags & padkit::BIF_NEWDIALOGSTYLE;
        status->setVisible((flags & padkit::BIF_STATUSTEXT) && !newStyle);
        ShowChild(this, "fileNameEdit", flags & padkit::BIF_EDITBOX);
        ShowChild(this, "fileNameLabel", flags & padkit::BIF_EDITBOX);
        ShowChild(this, "newFolderButton", newStyle && !(flags & padkit::BIF_NONEWFOLDERBUTTON));
        if (!m_strRoot.isEmpty())
            KeepWithinRoot();
    }

    // Closes with this folder chosen.
    void Choose(const QString& path) {
        m_strChosen = path;
        QDialog::accept();
    }
    QString Chosen() const { return m_strChosen; }

    void accept() override {
        const QString path = selectedFiles().value(0);
        const QFileInfo info(path);
        const bool found = !path.isEmpty() &&
                           (info.isDir() || ((m_nFlags & padkit::BIF_BROWSEINCLUDEFILES) && info.isFile()));
        const bool within = WithinRoot(m_strRoot, path);
        if (found && within) {
            Choose(QDir::cleanPath(info.absoluteFilePath()));
            return;
        }
        const auto* edit = findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
        const QString typed = edit ? edit->text() : path;
        // A name outside the root is one the tree cannot show: it is never taken.
        if (m_owner.BrowseCallbackImp(this, padkit::BFFM_VALIDATEFAILED, typed) != 0 || !within)
            return;
        Choose(path);
    }

private:
    // Every change of folder, whichever control made it, is checked: one above or beside the root
    // goes back to the root, and the parent button is off at the root.
    void KeepWithinRoot() {
        auto* model = findChild<QFileSystemModel*>();
        if (!model)
            return;
        connect(model, &QFileSystemModel::rootPathChanged, this, [this](const QString& path) {
            if (auto* up = findChild<QWidget*>(QStringLiteral("toParentButton")))
                up->setEnabled(WithinRoot(m_strRoot, path) && QDir::cleanPath(path) != m_strRoot);
        });
        // Queued: the dialog is still taking up the new folder when the model announces it.
        connect(
            model, &QFileSystemModel::rootPathChanged, this,
            [this](const QString& path) {
                if (!WithinRoot(m_strRoot, path))
                    setDirectory(m_strRoot);
            },
            Qt::QueuedConnection);
    }

    CBrowseDlg& m_owner;
    QString m_strRoot;
    UINT m_nFlags;
    QString m_strChosen;
};

} // namespace

CBrowseDlg::CBrowseDlg() : CBrowseDlg(QString(), QString(), nullptr) {}

CBrowseDlg::CBrowseDlg(const QString& initialFolder, const QString& title, QWidget* owner)
    : m_strInitialFolder(initialFolder), m_strTitle(title), m_pOwner(owner) {}

CBrowseDlg::~CBrowseDlg() = default;

QString CBrowseDlg::GetPathName() const {
    return m_strPath;
}
void CBrowseDlg::SetRootIDL(const QString& root) {
    m_strRoot = root;
}
void CBrowseDlg::SetFlag(UINT flags) {
    m_nFlags = flags;
}
void CBrowseDlg::SetFlagEx(UINT flags) {
    m_nFlagsEx = flags;
}
void CBrowseDlg::SetRequireExisting(BOOL require) {
    m_bRequireExisting = require;
}

QString CBrowseDlg::GetItemIDList(const QString& path) const {
    if (path.isEmpty())
        return QString();
    const QFileInfo info(path);
    if (!info.isDir())
        return QString();
    return QDir::cleanPath(info.absoluteFilePath());
}

int CBrowseDlg::DoModal() {
    const QString root = GetItemIDList(m_strRoot);
    CFolderPicker picker(*this, m_pOwner, m_strTitle, root, m_nFlags | padkit::BIF_VALIDATE);
    if (!root.isEmpty()) {
        picker.setDirectory(root);
        picker.setSidebarUrls({QUrl::fromLocalFile(root)});
        picker.setHistory({root});
    }
    QObject::connect(&picker, &QFileDialog::currentChanged, &picker, [this, &picker](const QString& path) {
        BrowseCallbackImp(&picker, padkit::BFFM_SELCHANGED, path);
    });
    QObject::connect(&picker, &QFileDialog::directoryEntered, &picker, [this, &picker](const QString& path) {
        BrowseCallbackImp(&picker, padkit::BFFM_SELCHANGED, path);
    });
    BrowseCallbackImp(&picker, padkit::BFFM_INITIALIZED, QString());

    int result = IDCANCEL;
    m_strPath.clear();
    if (picker.exec() == QDialog::Accepted) {
        m_strPath = picker.Chosen();
        result = m_strPath.isEmpty() ? IDCANCEL : IDOK;
    }
    return result;
}

int CBrowseDlg::BrowseCallbackImp(QFileDialog* picker, UINT message, const QString& param) {
    int result = 0;
    switch (message) {
    case padkit::BFFM_INITIALIZED:
        if (picker && !m_strInitialFolder.isEmpty()) {
            // A folder that cannot be found, or lies outside the root, leaves the picker where it is.
            const QString folder = GetItemIDList(m_strInitialFolder);
            if (!folder.isEmpty() && WithinRoot(GetItemIDList(m_strRoot), folder))
                picker->setDirectory(folder);
        }
        break;
    case padkit::BFFM_SELCHANGED: {
        QString folder = GetItemIDList(param);
        if (!WithinRoot(GetItemIDList(m_strRoot), folder))
            folder.clear();
        if (picker && !folder.isEmpty()) {
            if (auto* status = picker->findChild<QLabel*>(QLatin1String(kStatusName)))
                status->setText(folder);
        }
        if (picker && (m_nFlagsEx & padkit::BROWSE_EX_CLOSE_ON_SELECT) && picker->isVisible() &&
            !folder.isEmpty()) {
            if (auto* own = dynamic_cast<CFolderPicker*>(picker))
                own->Choose(folder);
        }
        break;
    }
    case padkit::BFFM_VALIDATEFAILED: {
        if (m_bRequireExisting) {
            PADKIT_MessageBox(picker,
                              QCoreApplication::translate("CBrowseDlg", "既存の項目を選択してください"),
                              QString(), MB_OK);
            result = 1;
        }
        bool invalid = false;
        for (const char* c = padkit::kInvalidNameChars; *c; ++c)
            invalid = invalid || param.contains(QLatin1Char(*c));
        if (invalid) {
            PADKIT_MessageBox(
                picker,
                QCoreApplication::translate("CBrowseDlg", "次の文字は名前として使用できません:\n\n") +
                    QLatin1String(padkit::kInvalidNameChars),
                QString(), MB_OK);
            result = 1;
        }
        break;
    }
    default:
        break;
    }
    return result;
}
