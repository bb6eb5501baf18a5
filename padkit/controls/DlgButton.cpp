#include "padkit/controls/DlgButton.h"

#include "padkit/controls/SysColor.h"
#include "platform/DialogTemplate.h"

#include <QAbstractButton>
#include <QFontMetrics>
#include <QIcon>
#include <QPainter>

namespace padkit {

QString BitmapResourcePath(int bitmapId) {
    return QStringLiteral(":/bitmap/%1").arg(bitmapId);
}

std::vector<int> TextBitmapLineTops(int h, int cy, int n) {
    std::vector<int> tops;
    if (n > 2) {
        const int total = n * (cy - 3) + 3;
        int top = (h - total) / 2;
        for (int i = 0; i < n; ++i, top += cy - 3)
            tops.push_back(top);
    } else {
        const int total = cy * n;
        const int top = (h - total) / 2;
        for (int i = 0; i < n; ++i)
            tops.push_back(top + i * cy);
    }
    return tops;
}

QRect FitBitmapRect(int w, int h, const QSize& bitmap) {
    const int x = (w - bitmap.width()) / 2;
    const int y = (h - bitmap.height()) / 2;
    if (x >= 0 && y >= 0)
        return QRect(QPoint(x, y), bitmap);
    return QRect(0, 0, w, h);
}

} // namespace padkit

namespace {

// A picture with the button's pixel density, so that it stays sharp on scaled screens.
QImage NewPicture(const QWidget* button, const QSize& size) {
    const qreal dpr = button->devicePixelRatioF();
    QImage img(QSize(qMax(1, qRound(size.width() * dpr)), qMax(1, qRound(size.height() * dpr))),
               QImage::Format_ARGB32_Premultiplied);
    img.setDevicePixelRatio(dpr);
    return img;
}

// The cell height a font height of 0 asks for: the desktop's default.
constexpr int kDefaultCellHeight = 16;
// The pixel size at which a face's cell height is measured before it is scaled.
constexpr int kProbePixelSize = 100;

// The font with the given cell height (ascent plus descent) in pixels: the largest pixel size whose
// cell fits in it.
QFont WithCellHeight(QFont font, int cellHeight) {
    font.setPixelSize(kProbePixelSize);
    const qreal cellPerPixel = QFontMetricsF(font).height() / kProbePixelSize;
    int pixels = qMax(1, qRound(cellHeight / cellPerPixel));
    font.setPixelSize(pixels);
    while (pixels > 1 && QFontMetrics(font).height() > cellHeight)
        font.setPixelSize(--pixels);
    return font;
}

// Where a button keeps its caption while a picture stands in for it.
const char kCaptionProperty[] = "dlgButtonCaption";

// The button's caption, also while a picture hides it.
QString Caption(const QWidget* item) {
    const QVariant kept = item->property(kCaptionProperty);
    if (kept.isValid())
        return kept.toString();
    if (const auto* button = qobject_cast<const QAbstractButton*>(item))
        return button->text();
    return QString();
}

// A picture button shows the picture alone; taking the picture away brings the caption back.
void GivePicture(QWidget* item, const QPixmap& picture) {
    auto* button = qobject_cast<QAbstractButton*>(item);
    if (!button)
        return;
    const QVariant kept = button->property(kCaptionProperty);
    if (picture.isNull()) {
        button->setIcon(QIcon());
        if (kept.isValid()) {
            button->setText(kept.toString());
            button->setProperty(kCaptionProperty, QVariant());
        }
        return;
    }
    if (!kept.isValid()) {
        button->setProperty(kCaptionProperty, button->text());
        button->setText(QString());
    }
    button->setIcon(QIcon(picture));
    button->setIconSize(picture.deviceIndependentSize().toSize());
}

} // namespace

CDlgButton::CDlgButton() = default;

CDlgButton::~CDlgButton() {
    ResetData();
}

void CDlgButton::ResetData() {
    m_mapBitmap.clear();
}

const QPixmap* CDlgButton::GetPicture(int controlId) const {
    const auto it = m_mapBitmap.find(controlId);
    return it == m_mapBitmap.end() ? nullptr : &it->second;
}

QSize CDlgButton::PictureSize(const QWidget* button) const {
    return QSize(button->width() - m_nWakuSize, button->height() - m_nWakuSize);
}

BOOL CDlgButton::SetBitmap(QWidget* dialog, int controlId, int bitmapId) {
    QWidget* item = dialog ? platform::GetDlgItem(dialog, controlId) : nullptr;
    if (!item)
        return FALSE;
    m_mapBitmap.erase(controlId);
    QImage source;
    if (bitmapId != 0)
        source.load(padkit::BitmapResourcePath(bitmapId));
    if (source.isNull()) {
        GivePicture(item, QPixmap());
        return FALSE;
    }
    return SetBitmapImage(dialog, controlId, source);
}

BOOL CDlgButton::SetBitmapImage(QWidget* dialog, int controlId, const QImage& source) {
    QWidget* item = dialog ? platform::GetDlgItem(dialog, controlId) : nullptr;
    if (!item)
        return FALSE;
    m_mapBitmap.erase(controlId);
    if (source.isNull()) {
        GivePicture(item, QPixmap());
        return FALSE;
    }
    const QSize size = PictureSize(item);
    QImage picture = NewPicture(item, size);
    QPainter p(&picture);
    // The image's corner colour fills what the image leaves free.
    p.fillRect(QRect(QPoint(0, 0), size), source.pixelColor(0, 0));
    const QSize own = (QSizeF(source.size()) / source.devicePixelRatio()).toSize();
    p.setRenderHint(QPainter::SmoothPixmapTransform, false);
    p.drawImage(padkit::FitBitmapRect(size.width(), size.height(), own), source);
    p.end();
    const QPixmap pixmap = QPixmap::fromImage(picture);
    GivePicture(item, pixmap);
    m_mapBitmap[controlId] = pixmap;
    return TRUE;
}

BOOL CDlgButton::SetTextBitmap(QWidget* dialog, int controlId, COLORREF backColour, COLORREF textColour,
                               const QString& text, int fontHeight) {
    QWidget* item = dialog ? platform::GetDlgItem(dialog, controlId) : nullptr;
    if (!item)
        return FALSE;
    m_mapBitmap.erase(controlId);
    const QSize size = PictureSize(item);
    QImage picture = NewPicture(item, size);
    QPainter p(&picture);
    p.fillRect(QRect(QPoint(0, 0), size), padkit::ToQColor(backColour));

    const QString body = text.isNull() ? Caption(item) : text;
    // A height of 0 or more is the cell height of the lines, 0 the default one.
    QFont font = item->font();
    int cy = QFontMetrics(font).height();
    if (fontHeight >= 0) {
        cy = fontHeight > 0 ? fontHeight : kDefaultCellHeight;
        font = WithCellHeight(font, cy);
    }
    p.setFont(font);
    p.setPen(padkit::ToQColor(textColour));
    const QStringList lines = body.split(QLatin1Char('\n'));
    const std::vector<int> tops =
        padkit::TextBitmapLineTops(size.height(), cy, static_cast<int>(lines.size()));
    for (qsizetype i = 0; i < lines.size(); ++i)
        p.drawText(QRect(0, tops[static_cast<size_t>(i)], size.width(), cy), Qt::AlignHCenter | Qt::AlignTop,
                   lines.at(i));
    p.end();
    const QPixmap pixmap = QPixmap::fromImage(picture);
    GivePicture(item, pixmap);
    m_mapBitmap[controlId] = pixmap;
    return TRUE;
}
