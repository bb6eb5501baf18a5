#include "padkit/controls/BaseListCtrl.h"
#include "padkit/controls/BaseListCtrlEdit.h"
#include "platform/Message.h"

#include <QApplication>
#include <QImage>
#include <QScrollBar>
#include <QTest>
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <vector>

namespace {

constexpr int kColumns = 3;

// A list whose cell texts name the DBID and column, and whose one sort key orders by a value table.
class TestList : public CBaseListCtrl {
public:
    TestList() {
        m_nColumnCount = kColumns;
        m_nSortKeyCount = 1;
        m_pnSortKey = &m_key;
        m_pnSortDirection = &m_direction;
        resize(320, 200);
    }

    void InitColumn() override {
        CBaseListCtrl::InitColumn();
        InsertColumn(0, "", LVCFMT_LEFT, 0);
        InsertColumn(1, "No", LVCFMT_CENTER, 60);
        InsertColumn(2, "Name", LVCFMT_LEFT, 150);
    }

    void OnGetDispInfo(NMHDR* pNMHDR, LRESULT* pResult) override {
        CBaseListCtrl::OnGetDispInfo(pNMHDR, pResult);
        auto* info = reinterpret_cast<NMLVDISPINFO*>(pNMHDR);
        ++m_textRequests;
        if (info->item.mask & LVIF_TEXT)
            std::snprintf(info->item.pszText, static_cast<size_t>(info->item.cchTextMax), "r%dc%d",
                          static_cast<int>(info->item.lParam), info->item.iSubItem);
    }

    short SortCheck(short, int dbid1, int dbid2) override {
        return static_cast<short>(m_values[dbid1] - m_values[dbid2]);
    }

    BOOL OnLvnItemChanged(NMHDR* pNMHDR, LRESULT* pResult) override {
        ++m_ownChanges;
        return CBaseListCtrl::OnLvnItemChanged(pNMHDR, pResult);
    }

    std::vector<int> Data() const {
        std::vector<int> d;
        for (int i = 0; i < GetItemCount(); ++i)
            d.push_back(static_cast<int>(GetItemData(i)));
        return d;
    }
    std::vector<int> SelectedRows() {
        std::vector<int> rows;
        for (int i = 0; i < GetItemCount(); ++i) {
            if (GetSel(i))
                rows.push_back(i);
        }
        return rows;
    }
    int Caret() const { return m_nCaretIndex; }
    int PrevCaret() const { return m_nPrevCaretIndex; }
    void SetFixedRows(int n) { m_nFixedRowCount = n; }
    void SetMarkColumn(int c) { m_nSortMarkColumn = c; }

    short m_key = 1;
    int m_direction = 0; // unsorted until a test asks
    std::vector<int> m_values = std::vector<int>(64, 0);
    int m_textRequests = 0;
    int m_ownChanges = 0;
};

QPoint RowPoint(TestList& list, int row) {
    const QRect r = list.GetItemRect(row);
    return QPoint(100, r.center().y());
}

void Click(TestList& list, int row, Qt::KeyboardModifiers mods = Qt::NoModifier) {
    QTest::mouseClick(list.viewport(), Qt::LeftButton, mods, RowPoint(list, row));
}

} // namespace

TEST(BaseListCtrl, RowsCarryDbidsAndTextsComeOnDemand) {
    TestList list;
    list.InitColumn();
    EXPECT_EQ(list.GetHeaderItemCount(), 3);
    list.SetList(10, FALSE);
    EXPECT_EQ(list.Data(), (std::vector<int>{0, 1, 2, 3, 4, 5, 6, 7, 8, 9}));
    EXPECT_EQ(list.GetItemText(7, 2), "r7c2");

    TestList fixed;
    fixed.SetFixedRows(2);
    fixed.SetList(3, FALSE);
    EXPECT_EQ(fixed.Data(), (std::vector<int>{-1, -1, 0, 1, 2}));

    // InitColumn starts again from no columns.
    list.InitColumn();
    EXPECT_EQ(list.GetHeaderItemCount(), 3);
    EXPECT_EQ(list.GetColumnHeading(1), "No");
}

TEST(BaseListCtrl, SetListAndRedrawListKeepTheSelectionByDbid) {
    TestList list;
    list.InitColumn();
    list.show();
    list.SetList(10, FALSE);
    Click(list, 3);
    Click(list, 7, Qt::ControlModifier);
    ASSERT_EQ(list.SelectedRows(), (std::vector<int>{3, 7}));

    // Reverse the order: the same records are selected in their new rows.
    for (int i = 0; i < 10; ++i)
        list.m_values[i] = -i;
    list.m_direction = 1;
    list.SetList(10, TRUE);
    EXPECT_EQ(list.Data(), (std::vector<int>{9, 8, 7, 6, 5, 4, 3, 2, 1, 0}));
    EXPECT_EQ(list.SelectedRows(), (std::vector<int>{2, 6}));
    EXPECT_EQ(list.GetSelectionMark(), 6);
    EXPECT_EQ(list.GetCaretIndex(), -1) << "a rebuild forgets the caret";

    int dbids[2] = {};
    EXPECT_EQ(list.GetSelectedItemDBID(0, dbids, FALSE), 2);
    EXPECT_EQ(dbids[0], 7);
    EXPECT_EQ(dbids[1], 3);
    list.GetSelectedItemDBID(0, dbids, TRUE);
    EXPECT_EQ(dbids[0], 3);
    EXPECT_EQ(list.GetSelectedItemDBID(0, nullptr, FALSE), 2);

    // Back to identity in place.
    list.m_direction = 0;
    list.RedrawList(10, TRUE);
    EXPECT_EQ(list.Data(), (std::vector<int>{0, 1, 2, 3, 4, 5, 6, 7, 8, 9}));
    EXPECT_EQ(list.SelectedRows(), (std::vector<int>{3, 7}));
    list.RedrawList(10, FALSE);
    EXPECT_TRUE(list.SelectedRows().empty());
    list.SetList(10, FALSE);
    EXPECT_TRUE(list.SelectedRows().empty());
}

TEST(BaseListCtrl, SelectionHelpers) {
    TestList list;
    EXPECT_EQ(list.SetCurSel(0, TRUE, FALSE), -1);
    EXPECT_EQ(list.GetCurSel(), -1);
    EXPECT_EQ(list.GetCaretIndex(), -1);
    list.SetList(10, FALSE);

    EXPECT_EQ(list.SetCurSel(50, TRUE, FALSE), 9);
    EXPECT_EQ(list.GetCurSel(), 9);
    EXPECT_EQ(list.GetSelectionMark(), 9);
    EXPECT_EQ(list.SetCurSel(2, FALSE, FALSE), 2);
    EXPECT_EQ(list.SelectedRows(), (std::vector<int>{2, 9}));
    EXPECT_EQ(list.GetCurSel(), 2);
    EXPECT_EQ(list.SetCurSel(-1, TRUE, FALSE), -1);
    EXPECT_TRUE(list.SelectedRows().empty()) << "a negative row must not select every row";

    list.SetCurSelDBID(4, TRUE, FALSE);
    EXPECT_EQ(list.SelectedRows(), (std::vector<int>{4}));
    list.SetCurSelDBID(42, TRUE, FALSE);
    EXPECT_EQ(list.SelectedRows(), (std::vector<int>{9}));
    list.SetCurSelDBID(1, FALSE, FALSE);
    EXPECT_EQ(list.SelectedRows(), (std::vector<int>{1, 9}));

    list.SetSel(1, FALSE);
    list.SetSel(5, TRUE);
    EXPECT_EQ(list.SelectedRows(), (std::vector<int>{5, 9}));
    list.SetSel(-1, FALSE);
    EXPECT_TRUE(list.SelectedRows().empty());

    list.SetAllSel();
    EXPECT_EQ(list.GetSelectedCount(), 10);
    EXPECT_EQ(list.GetSelectionMark(), 0);

    // A single-selection list keeps one row.
    list.SetListStyle(LVS_SINGLESEL);
    list.SetCurSel(3, FALSE, FALSE);
    EXPECT_EQ(list.SelectedRows(), (std::vector<int>{3}));
}

TEST(BaseListCtrl, CaretFollowsTheFocusedRow) {
    TestList list;
    list.SetList(10, FALSE);
    EXPECT_EQ(list.SetCaretIndex(10), -1);
    EXPECT_EQ(list.SetCaretIndex(-1), -1);
    EXPECT_EQ(list.SetCaretIndex(3), 3);
    EXPECT_EQ(list.GetCaretIndex(), 3);
    EXPECT_EQ(list.GetItemState(3, LVIS_FOCUSED), LVIS_FOCUSED);

    // Focus moves on: one row holds it, the caret follows.
    list.SetItemState(6, LVIS_FOCUSED, LVIS_FOCUSED);
    EXPECT_EQ(list.GetItemState(3, LVIS_FOCUSED), 0u);
    EXPECT_EQ(list.Caret(), 6);
    EXPECT_EQ(list.PrevCaret(), 3);

    // Focus lost: nothing focused, the remembered caret is gone as well.
    list.SetItemState(6, 0, LVIS_FOCUSED);
    EXPECT_EQ(list.GetCaretIndex(), -1);
    EXPECT_EQ(list.PrevCaret(), 6);
}

TEST(BaseListCtrl, OwnerSeesStateChangesUnlessTheListKeepsThem) {
    TestList list;
    list.SetList(5, FALSE);
    std::vector<std::pair<int, UINT>> seen;
    QObject::connect(&list, &CBaseListCtrl::ItemChanged,
                     [&](const NMLISTVIEW& info) { seen.emplace_back(info.iItem, info.uNewState); });
    list.SetCurSel(2, TRUE, FALSE);
    list.SetCurSel(4, TRUE, FALSE);
    ASSERT_EQ(seen.size(), 3u);
    EXPECT_EQ(seen[0], std::make_pair(2, LVIS_SELECTED));
    EXPECT_EQ(seen[1], std::make_pair(2, 0u));
    EXPECT_EQ(seen[2], std::make_pair(4, LVIS_SELECTED));
    EXPECT_EQ(list.m_ownChanges, 3);
    // Nothing changes, nothing is told.
    list.SetCurSel(4, FALSE, FALSE);
    EXPECT_EQ(seen.size(), 3u);
}

TEST(BaseListCtrl, MouseAndKeysSelectRows) {
    TestList list;
    list.InitColumn();
    list.show();
    list.SetList(10, FALSE);

    Click(list, 2);
    EXPECT_EQ(list.SelectedRows(), (std::vector<int>{2}));
    EXPECT_EQ(list.GetCaretIndex(), 2);
    Click(list, 5, Qt::ControlModifier);
    EXPECT_EQ(list.SelectedRows(), (std::vector<int>{2, 5}));
    Click(list, 7, Qt::ShiftModifier);
    EXPECT_EQ(list.SelectedRows(), (std::vector<int>{5, 6, 7}));
    Click(list, 6, Qt::ControlModifier);
    EXPECT_EQ(list.SelectedRows(), (std::vector<int>{5, 7}));

    QTest::keyClick(&list, Qt::Key_A, Qt::ControlModifier);
    EXPECT_EQ(list.GetSelectedCount(), 10);

    QTest::keyClick(&list, Qt::Key_Down);
    EXPECT_EQ(list.SelectedRows(), (std::vector<int>{7}));
    QTest::keyClick(&list, Qt::Key_Down, Qt::ShiftModifier);
    QTest::keyClick(&list, Qt::Key_Down, Qt::ShiftModifier);
    EXPECT_EQ(list.SelectedRows(), (std::vector<int>{7, 8, 9}));
    QTest::keyClick(&list, Qt::Key_Home);
    EXPECT_EQ(list.SelectedRows(), (std::vector<int>{0}));
    EXPECT_EQ(list.GetCaretIndex(), 0);

    // A click below the last row clears the selection.
    QTest::mouseClick(list.viewport(), Qt::LeftButton, Qt::NoModifier,
                      QPoint(100, list.GetItemRect(9).bottom() + 5));
    EXPECT_TRUE(list.SelectedRows().empty());
}

TEST(BaseListCtrl, MultiSelectModeMakesPlainClicksCtrlOrShiftClicks) {
    TestList list;
    list.InitColumn();
    list.show();
    list.SetList(10, FALSE);

    list.SetMultiSelectMode(padkit::kListMultiSelectCtrl);
    Click(list, 1);
    Click(list, 4);
    Click(list, 6);
    Click(list, 4);
    EXPECT_EQ(list.SelectedRows(), (std::vector<int>{1, 6}));

    list.SetMultiSelectMode(padkit::kListMultiSelectShift);
    Click(list, 8);
    EXPECT_EQ(list.SelectedRows(), (std::vector<int>{4, 5, 6, 7, 8}));

    list.SetMultiSelectMode(padkit::kListMultiSelectNone);
    Click(list, 3);
    EXPECT_EQ(list.SelectedRows(), (std::vector<int>{3}));
}

TEST(BaseListCtrl, MultiSelectModeMakesPlainKeysCtrlOrShiftKeys) {
    TestList list;
    list.InitColumn();
    list.show();
    list.SetList(10, FALSE);

    // Ctrl held: arrows and Home/End move the caret alone, Space toggles the caret's row.
    list.SetMultiSelectMode(padkit::kListMultiSelectCtrl);
    Click(list, 2);
    QTest::keyClick(&list, Qt::Key_Down);
    QTest::keyClick(&list, Qt::Key_Down);
    EXPECT_EQ(list.SelectedRows(), (std::vector<int>{2}));
    EXPECT_EQ(list.GetCaretIndex(), 4);
    QTest::keyClick(&list, Qt::Key_Space);
    EXPECT_EQ(list.SelectedRows(), (std::vector<int>{2, 4}));
    QTest::keyClick(&list, Qt::Key_End);
    EXPECT_EQ(list.GetCaretIndex(), 9);
    QTest::keyClick(&list, Qt::Key_Space);
    QTest::keyClick(&list, Qt::Key_Home);
    QTest::keyClick(&list, Qt::Key_Space);
    EXPECT_EQ(list.SelectedRows(), (std::vector<int>{0, 2, 4, 9}));
    QTest::keyClick(&list, Qt::Key_Space);
    EXPECT_EQ(list.SelectedRows(), (std::vector<int>{2, 4, 9}));

    // Shift held: every move selects the range from the anchor (the last row toggled) to the caret.
    list.SetMultiSelectMode(padkit::kListMultiSelectShift);
    QTest::keyClick(&list, Qt::Key_Down);
    QTest::keyClick(&list, Qt::Key_Down);
    EXPECT_EQ(list.SelectedRows(), (std::vector<int>{0, 1, 2}));
    QTest::keyClick(&list, Qt::Key_End);
    EXPECT_EQ(list.SelectedRows(), (std::vector<int>{0, 1, 2, 3, 4, 5, 6, 7, 8, 9}));
    QTest::keyClick(&list, Qt::Key_Up);
    EXPECT_EQ(list.SelectedRows(), (std::vector<int>{0, 1, 2, 3, 4, 5, 6, 7, 8}));
    QTest::keyClick(&list, Qt::Key_Space);
    EXPECT_EQ(list.SelectedRows(), (std::vector<int>{0, 1, 2, 3, 4, 5, 6, 7, 8}));
    QTest::keyClick(&list, Qt::Key_Home);
    EXPECT_EQ(list.SelectedRows(), (std::vector<int>{0}));

    list.SetMultiSelectMode(padkit::kListMultiSelectNone);
    QTest::keyClick(&list, Qt::Key_Down);
    EXPECT_EQ(list.SelectedRows(), (std::vector<int>{1}));
}

TEST(BaseListCtrl, RowHeightAndImageLists) {
    TestList list;
    list.SetList(10, FALSE);
    EXPECT_EQ(list.SetItemHeight(22), TRUE);
    EXPECT_EQ(list.GetRowHeight(), 22);
    EXPECT_EQ(list.SetItemHeight(32), TRUE);
    EXPECT_EQ(list.GetRowHeight(), 32);
    EXPECT_EQ(list.GetItemRect(2).top() - list.GetItemRect(1).top(), 32);

    TestList other;
    other.SetSmallImageList(QSize(16, 40));
    EXPECT_EQ(other.SetItemHeight(22), FALSE);
    EXPECT_EQ(other.GetRowHeight(), 40);
}

TEST(BaseListCtrl, HeaderDescriptorsAreFoundByTheirKeyPair) {
    TestList list;
    EXPECT_EQ(list.GetHeader(1, 2), nullptr);
    list.SetHeaderText(1, 2, "合計", 3, 0);
    CBaseListCtrlHeader* h = list.GetHeader(1, 2);
    ASSERT_NE(h, nullptr);
    EXPECT_EQ(h->GetText(), QString::fromUtf8("合計"));
    EXPECT_EQ(h->GetExtent1(), 3);
    EXPECT_EQ(h->GetExtent2(), 1);

    list.SetHeaderColor(1, 2, RGB(1, 2, 3), RGB(4, 5, 6), 0, 2);
    list.SetHeaderColor(2, 1, RGB(7, 7, 7), RGB(8, 8, 8), 0, 0);
    EXPECT_EQ(list.GetHeader(1, 2), h) << "the existing descriptor is changed, not a second one added";
    EXPECT_EQ(h->GetTextColor(), RGB(1, 2, 3));
    EXPECT_EQ(h->GetBackColor(), RGB(4, 5, 6));
    EXPECT_EQ(h->GetExtent1(), 3);
    EXPECT_EQ(h->GetExtent2(), 2);
    EXPECT_EQ(h->GetText(), QString::fromUtf8("合計"));
    ASSERT_NE(list.GetHeader(2, 1), nullptr);
    EXPECT_EQ(list.GetHeader(2, 1)->GetText(), "");

    CBaseListCtrlHeader copy;
    copy = *h;
    EXPECT_EQ(copy.GetKey1(), 1);
    EXPECT_EQ(copy.GetTextColor(), RGB(1, 2, 3));
}

TEST(BaseListCtrl, SortMarkFlagsOneColumn) {
    TestList list;
    list.InitColumn();
    list.SetMarkColumn(2);
    list.m_direction = 2;
    list.SetList(4, FALSE);
    EXPECT_EQ(list.GetHeaderFormat(2) & (HDF_IMAGE | HDF_BITMAP_ON_RIGHT), HDF_IMAGE | HDF_BITMAP_ON_RIGHT);
    EXPECT_EQ(list.GetHeaderImage(2), 1);
    EXPECT_EQ(list.GetHeaderFormat(2) & 3, LVCFMT_LEFT) << "the alignment stays";

    list.m_direction = 1;
    list.SetSortMark(1);
    EXPECT_EQ(list.GetHeaderFormat(2) & HDF_IMAGE, 0);
    EXPECT_EQ(list.GetHeaderImage(1), 0);
    EXPECT_EQ(list.GetHeaderFormat(1) & 3, LVCFMT_CENTER);
    EXPECT_NE(list.GetHeaderFormat(1) & HDF_IMAGE, 0);

    list.SetSortMark(-1);
    for (int c = 0; c < kColumns; ++c)
        EXPECT_EQ(list.GetHeaderFormat(c) & (HDF_IMAGE | HDF_BITMAP_ON_RIGHT), 0) << c;
}

TEST(BaseListCtrl, FirstScrollPositionAppliesOnce) {
    TestList list;
    list.InitColumn();
    list.SetColumnWidth(2, 600);
    list.SetFirstScrollPos(SB_VERT, 5);
    list.SetFirstScrollPos(SB_HORZ, 40);
    list.SetFirstScrollPos(7, 99);
    list.SetList(30, FALSE);
    EXPECT_EQ(list.GetTopIndex(), 0);
    list.GetItemText(0, 1);
    EXPECT_EQ(list.GetTopIndex(), 5);
    EXPECT_EQ(list.horizontalScrollBar()->value(), 40);
    list.verticalScrollBar()->setValue(0);
    list.GetItemText(0, 1);
    EXPECT_EQ(list.GetTopIndex(), 0);
}

namespace {

// Pixels of the sort arrow's colour inside rect.
QRect ArrowPixels(const QImage& img, const QRect& rect) {
    const QColor arrow(172, 168, 153);
    QRect found;
    for (int y = rect.top(); y <= rect.bottom(); ++y) {
        for (int x = rect.left(); x <= rect.right(); ++x) {
            if (img.pixelColor(x, y).rgb() == arrow.rgb())
                found = found.united(QRect(x, y, 1, 1));
        }
    }
    return found;
}

int ArrowWidthAt(const QImage& img, const QRect& box, int y) {
    const QColor arrow(172, 168, 153);
    int n = 0;
    for (int x = box.left(); x <= box.right(); ++x)
        n += img.pixelColor(x, y).rgb() == arrow.rgb();
    return n;
}

} // namespace

TEST(BaseListCtrlPaint, HeaderSortArrowOnTheMarkedColumnOnly) {
    TestList list;
    list.InitColumn();
    list.show();
    list.SetMarkColumn(2);
    list.m_direction = 1;
    list.SetList(10, FALSE);

    QWidget* header = list.GetHeaderCtrl();
    const QPoint origin = header->mapTo(&list, QPoint(0, 0));
    const QRect col1(origin + QPoint(0, 0), QSize(60, header->height()));
    const QRect col2(origin + QPoint(60, 0), QSize(150, header->height()));

    QImage img = list.grab().toImage();
    QRect box = ArrowPixels(img, col2);
    ASSERT_FALSE(box.isEmpty());
    EXPECT_EQ(box.width(), 16);
    EXPECT_EQ(box.height(), 16);
    EXPECT_LT(ArrowWidthAt(img, box, box.top()), 4) << "ascending: apex at the top";
    EXPECT_GE(ArrowWidthAt(img, box, box.bottom()), 15);
    EXPECT_TRUE(ArrowPixels(img, col1).isEmpty());
    // Right of the heading text, inside the column.
    EXPECT_GT(box.left(), col2.left() + 6);
    EXPECT_LE(box.right(), col2.right());

    list.m_direction = 2;
    list.SetSortMark(2);
    img = list.grab().toImage();
    box = ArrowPixels(img, col2);
    ASSERT_FALSE(box.isEmpty());
    EXPECT_GE(ArrowWidthAt(img, box, box.top()), 15) << "descending: apex at the bottom";
    EXPECT_LT(ArrowWidthAt(img, box, box.bottom()), 4);

    // At twice the scale the arrow is drawn at that resolution, not as doubled pixels.
    QImage hi(list.size() * 2, QImage::Format_ARGB32);
    hi.setDevicePixelRatio(2);
    hi.fill(Qt::white);
    list.render(&hi);
    const QRect hiBox = ArrowPixels(hi, QRect(col2.topLeft() * 2, col2.size() * 2));
    ASSERT_FALSE(hiBox.isEmpty());
    EXPECT_NEAR(hiBox.width(), 32, 2);
    EXPECT_NEAR(hiBox.height(), 32, 2);
    bool finer = false;
    for (int y = hiBox.top(); y + 1 <= hiBox.bottom(); y += 2)
        finer = finer || ArrowWidthAt(hi, hiBox, y) != ArrowWidthAt(hi, hiBox, y + 1);
    EXPECT_TRUE(finer);

    list.SetSortMark(-1);
    img = list.grab().toImage();
    EXPECT_TRUE(ArrowPixels(img, QRect(origin, header->size())).isEmpty());
}

TEST(BaseListCtrlPaint, RowsAreAsHighAsSetAndShowTheirTexts) {
    TestList list;
    list.InitColumn();
    list.SetListStyle(LVS_SHOWSELALWAYS);
    list.SetExtendedStyle(LVS_EX_FULLROWSELECT);
    list.SetBkColor(RGB(127, 127, 127));
    list.SetTextBkColor(RGB(127, 127, 127));
    list.SetTextColor(RGB(255, 255, 255));
    list.SetItemHeight(22);
    list.show();
    list.SetList(10, FALSE);
    list.SetCurSel(1, TRUE, FALSE);
    list.m_textRequests = 0;

    const QImage img = list.grab().toImage();
    const QPoint vp = list.viewport()->mapTo(&list, QPoint(0, 0));
    const QColor gray(127, 127, 127);
    const int x = vp.x() + 200; // right of every text
    auto at = [&](int y) { return img.pixelColor(x, vp.y() + y).rgb(); };
    EXPECT_EQ(at(0), gray.rgb());
    EXPECT_EQ(at(21), gray.rgb());
    EXPECT_NE(at(22), gray.rgb()) << "row 1 is selected from y 22";
    EXPECT_EQ(at(43), at(22));
    EXPECT_EQ(at(44), gray.rgb()) << "and ends after 22 pixels";

    // Text of row 0 is white on the gray.
    int white = 0;
    for (int y = vp.y(); y < vp.y() + 22; ++y) {
        for (int xx = vp.x() + 60; xx < vp.x() + 210; ++xx)
            white += img.pixelColor(xx, y).lightness() > 200;
    }
    EXPECT_GT(white, 5);
    EXPECT_GT(list.m_textRequests, 0) << "painting asks for the texts";
}

TEST(BaseListCtrlEdit, KeepsItsRectangleAndReportsTab) {
    QWidget owner;
    struct Receiver : QObject {
        std::vector<std::pair<UINT, WPARAM>> got;
        bool event(QEvent* e) override {
            if (e->type() == platform::MessageEvent::eventType()) {
                auto* m = static_cast<platform::MessageEvent*>(e);
                got.emplace_back(m->message(), m->wParam());
                return true;
            }
            return QObject::event(e);
        }
    };
    // The owner widget itself receives the command; route it through an event filter.
    Receiver receiver;
    struct Filter : QObject {
        Receiver* to;
        bool eventFilter(QObject*, QEvent* e) override {
            if (e->type() == platform::MessageEvent::eventType())
                return to->event(e);
            return false;
        }
    } filter;
    filter.to = &receiver;
    owner.installEventFilter(&filter);
    owner.resize(300, 200);

    CBaseListCtrlEdit edit(&owner);
    edit.SetDlgCtrlID(1234);
    edit.m_nFixX = 10;
    edit.m_nFixY = 20;
    edit.m_nFixWidth = 100;
    edit.m_nFixHeight = 18;
    owner.show();
    edit.show();
    edit.setGeometry(50, 60, 30, 30);
    EXPECT_EQ(edit.geometry(), QRect(10, 20, 100, 18));

    QTest::keyClick(&edit, Qt::Key_X);
    EXPECT_EQ(edit.m_nLastKey, 'X');
    QTest::keyClick(&edit, Qt::Key_Tab);
    EXPECT_EQ(edit.m_nLastKey, padkit::kVkTab);
    EXPECT_TRUE(receiver.got.empty()) << "Tab is reported only with both flags set";

    edit.m_nTabFlag1 = 1;
    edit.m_nTabFlag2 = 1;
    QTest::keyClick(&edit, Qt::Key_Tab);
    ASSERT_EQ(receiver.got.size(), 1u);
    EXPECT_EQ(receiver.got[0].first, padkit::kWmCommand);
    EXPECT_EQ(receiver.got[0].second, static_cast<WPARAM>(1234 | (padkit::kEnKillFocus << 16)));

    // An owner that ends the editing by deleting the field on that command.
    struct Closer : QObject {
        QObject* field = nullptr;
        bool eventFilter(QObject*, QEvent* e) override {
            if (e->type() != platform::MessageEvent::eventType())
                return false;
            delete field;
            field = nullptr;
            return true;
        }
    } closer;
    owner.removeEventFilter(&filter);
    owner.installEventFilter(&closer);
    auto* transient = new CBaseListCtrlEdit(&owner);
    transient->m_nTabFlag1 = transient->m_nTabFlag2 = 1;
    closer.field = transient;
    transient->show();
    QTest::keyPress(transient, Qt::Key_Tab); // no release: the field is gone
    EXPECT_EQ(closer.field, nullptr);
}
