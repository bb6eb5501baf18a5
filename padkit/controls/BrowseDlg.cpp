#include "padkit/controls/BrowseDlg.h"

#include "padkit/util/MessageBox.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QUrl>

namespace {

const char kStatusName[] = "browseStatus";

// The picker itself: a folder-only file dialog that lets the owner judge names it cannot find.
class CFolderPicker : public QFileDialog {
public:
    CFolderPicker(CBrowseDlg& owner, QWidget* parent, const QString& title)
        : QFileDialog(parent, title), m_owner(owner) {
        setOption(QFileDialog::DontUseNativeDialog);
        setOption(QFileDialog::ShowDirsOnly);
        setFileMode(QFileDialog::Directory);
        setAcceptMode(QFileDialog::AcceptOpen);
        auto* status = new QLabel(this);
        status->setObjectName(QLatin1String(kStatusName));
        status->setTextInteractionFlags(Qt::TextSelectableByMouse);
        if (auto* grid = qobject_cast<QGridLayout*>(layout()))
            grid->addWidget(status, grid->rowCount(), 0, 1, grid->columnCount());
    }

    // Closes with this folder chosen.
    void Choose(const QString& path) {
        m_strChosen = path;
        QDialog::accept();
    }
    QString Chosen() const { return m_strChosen; }

    void accept() override {
        const QString path = selectedFiles().value(0);
        if (!path.isEmpty() && QFileInfo(path).isDir()) {
            Choose(QDir::cleanPath(QFileInfo(path).absoluteFilePath()));
            return;
        }
        const auto* edit = findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
        const QString typed = edit ? edit->text() : path;
        if (m_owner.BrowseCallbackImp(this, padkit::BFFM_VALIDATEFAILED, typed) != 0)
            return;
        Choose(path);
    }

private:
    CBrowseDlg& m_owner;
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
    CFolderPicker picker(*this, m_pOwner, m_strTitle);
    const QString root = GetItemIDList(m_strRoot);
    if (!root.isEmpty()) {
        picker.setDirectory(root);
        picker.setSidebarUrls({QUrl::fromLocalFile(root)});
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
            // A folder that cannot be found leaves the picker where it is.
            const QString folder = GetItemIDList(m_strInitialFolder);
            if (!folder.isEmpty())
                picker->setDirectory(folder);
        }
        break;
    case padkit::BFFM_SELCHANGED: {
        const QString folder = GetItemIDList(param);
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
            PADKIT_MessageBox(picker, QStringLiteral("既存の項目を選択してください"), QString(), MB_OK);
            result = 1;
        }
        bool invalid = false;
        for (const char* c = padkit::kInvalidNameChars; *c; ++c)
            invalid = invalid || param.contains(QLatin1Char(*c));
        if (invalid) {
            PADKIT_MessageBox(picker,
                              QStringLiteral("次の文字は名前として使用できません:\n\n") +
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
