#pragma once

#include "padkit/PadkitExport.h"
#include "platform/WinTypes.h"

#include <QImage>
#include <QPixmap>
#include <QString>

#include <map>
#include <vector>

class QWidget;

namespace padkit {

// Where a picture of the given resource id is looked up: ":/bitmap/<id>".
PADKIT_API QString BitmapResourcePath(int bitmapId);

// Top of each line of a text picture of height h whose lines are cy pixels high. Three or more lines
// are packed three pixels closer than their height; one or two are laid out at full height.
PADKIT_API std::vector<int> TextBitmapLineTops(int h, int cy, int lineCount);

// Where a picture of the given size goes in a w x h picture: centred at its own size when it fits,
// otherwise stretched over all of it.
PADKIT_API QRect FitBitmapRect(int w, int h, const QSize& bitmap);

} // namespace padkit

// Gives buttons of a dialog a picture, either an image resource fitted into the button or a text
// rendered in chosen colours, and keeps each picture until it is replaced or this object goes.
class PADKIT_API CDlgButton {
public:
    CDlgButton();
    virtual ~CDlgButton();
    CDlgButton(const CDlgButton&) = delete;
    CDlgButton& operator=(const CDlgButton&) = delete;

    virtual void ResetData();
    // The image resource bitmapId (see BitmapResourcePath) on the button controlId of dialog. Bitmap 0,
    // or one that cannot be loaded, takes the picture off the button and answers FALSE.
    virtual BOOL SetBitmap(QWidget* dialog, int controlId, int bitmapId);
    // The same with an image in hand.
    BOOL SetBitmapImage(QWidget* dialog, int controlId, const QImage& image);
    // The text (the button's own text when null) in textColour on backColour; a fontHeight of 0 or more
    // sets the font's cell height in pixels (0: the default of 16), which is also the line height.
    virtual BOOL SetTextBitmap(QWidget* dialog, int controlId, COLORREF backColour, COLORREF textColour,
                               const QString& text, int fontHeight);

    // The picture currently given to a button, or nullptr.
    const QPixmap* GetPicture(int controlId) const;

protected:
    void SetButtonWakuSize(int size) { m_nWakuSize = size; }

private:
    QSize PictureSize(const QWidget* button) const;

    std::map<int, QPixmap> m_mapBitmap;
    int m_nWakuSize = 7;
};
