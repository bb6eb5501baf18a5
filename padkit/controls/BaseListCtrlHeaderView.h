#pragma once

// Private to the list's own sources: the column headings and the header that shows them, with the
// measures that the header, the cells and the tips share.

#include "padkit/controls/BaseListCtrl.h"

#include <QAbstractTableModel>
#include <QHeaderView>

#include <utility>
#include <vector>

class QImage;
class QPainter;

namespace padkit {

inline constexpr int kHeaderTextMargin = 6; // between a header cell's edge and its text
inline constexpr int kHeaderArrowGap = 6;   // between a header text and its sort arrow
inline constexpr int kFirstCellMargin = 2;  // text inset of the first column
inline constexpr int kCellMargin = 6;       // text inset of the other columns
inline constexpr int kFormatAlignMask = 0x0003;
inline constexpr int kFormatImageMask = HDF_IMAGE | HDF_BITMAP_ON_RIGHT;

inline Qt::Alignment FormatAlignment(int format) {
    switch (format & kFormatAlignMask) {
    case LVCFMT_RIGHT:
        return Qt::AlignRight;
    case LVCFMT_CENTER:
        return Qt::AlignHCenter;
    default:
        return Qt::AlignLeft;
    }
}

// The two sort arrows side by side in a 32 x 16 strip: ascending (apex up) left, descending right.
void DrawSortArrows(QPainter& p);

// The column headings of the list.
class ListHeaderModel : public QAbstractTableModel {
public:
    struct Column {
        QString text;
        int format = LVCFMT_LEFT;
        int image = 0;
        int subItem = 0; // what the text handler is asked for in this column
    };

    using QAbstractTableModel::QAbstractTableModel;

    int rowCount(const QModelIndex& = {}) const override { return 0; }
    int columnCount(const QModelIndex& parent = {}) const override {
        return parent.isValid() ? 0 : static_cast<int>(m_columns.size());
    }
    QVariant data(const QModelIndex&, int) const override { return {}; }
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override {
        if (orientation != Qt::Horizontal || section < 0 || section >= columnCount())
            return {};
        if (role == Qt::DisplayRole)
            return m_columns[section].text;
        if (role == Qt::TextAlignmentRole)
            return QVariant::fromValue(FormatAlignment(m_columns[section].format) | Qt::AlignVCenter);
        return {};
    }

    void Insert(int column, Column value) {
        beginInsertColumns({}, column, column);
        m_columns.insert(m_columns.begin() + column, std::move(value));
        endInsertColumns();
    }
    void Remove(int column) {
        beginRemoveColumns({}, column, column);
        m_columns.erase(m_columns.begin() + column);
        endRemoveColumns();
    }
    const Column& At(int column) const { return m_columns[column]; }
    Column& At(int column) { return m_columns[column]; }

private:
    std::vector<Column> m_columns;
};

// The header of the list: the style's cells with the text and, where a column carries the image flags,
// a sort arrow right of the text.
class ListHeaderView : public QHeaderView {
public:
    ListHeaderView(ListHeaderModel* model, QWidget* parent)
        : QHeaderView(Qt::Horizontal, parent), m_pModel(model) {}

    void SetArrows(const QImage* arrows) { m_pArrows = arrows; }

protected:
    void paintSection(QPainter* painter, const QRect& rect, int logicalIndex) const override;

private:
    ListHeaderModel* m_pModel;
    const QImage* m_pArrows = nullptr;
};

} // namespace padkit
