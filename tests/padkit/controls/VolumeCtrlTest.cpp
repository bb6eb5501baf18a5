#include "padkit/controls/VolumeCtrl.h"
#include "RenderUtil.h"

#include <QCoreApplication>
#include <QTest>
#include <cmath>
#include <gtest/gtest.h>
#include <vector>

using namespace padkit;

namespace {

// A parent that records the knob notifications posted to it.
class KnobParent : public QWidget {
public:
    struct Note {
        int pos;
        LPARAM knob;
    };
    std::vector<Note> notes;

    bool event(QEvent* e) override {
        if (e->type() == platform::MessageEvent::eventType()) {
            auto* m = static_cast<platform::MessageEvent*>(e);
            if (m->message() == WM_KNOB_CHANGED)
                notes.push_back({static_cast<int>(m->wParam()), m->lParam()});
            return true;
        }
        return QWidget::event(e);
    }
};

bool IsDark(const QImage& img, QPoint p) {
    return Luma(img.pixelColor(p)) < 128;
}

// A point on the pointer halfway between its ends.
QPoint PointerMiddle(const KnobGeometry& g) {
    return (g.outer + g.inner) / 2;
}

} // namespace

TEST(VolumeCtrl, AngleFollowsThePosition) {
    EXPECT_DOUBLE_EQ(KnobAngle(-50, 50, 0), 90.0);
    EXPECT_DOUBLE_EQ(KnobAngle(-50, 50, -50), 225.0);
    EXPECT_DOUBLE_EQ(KnobAngle(-50, 50, 50), -45.0);
    EXPECT_NEAR(KnobAngle(1, 100, 10), 200.4545, 1e-4);
    EXPECT_DOUBLE_EQ(KnobAngle(7, 7, 7), 225.0);
}

TEST(VolumeCtrl, GeometryIsTheLargestCentredSquare) {
    const KnobGeometry wide = KnobLayout(80, 40, -50, 50, 0);
    EXPECT_EQ(wide.circle, QRect(20, 0, 40, 40));
    // Straight up: the outer end 5 pixels below the rim, the inner one 15.
    EXPECT_EQ(wide.outer, QPoint(40, 20 - 15));
    EXPECT_EQ(wide.inner, QPoint(40, 20 - 5));
    const KnobGeometry tall = KnobLayout(40, 81, -50, 50, 0);
    EXPECT_EQ(tall.circle, QRect(0, 20, 40, 40));
    // Narrower than 30 pixels: the inner end crosses to the other side of the centre.
    const KnobGeometry small = KnobLayout(20, 20, -50, 50, 0);
    EXPECT_EQ(small.outer, QPoint(10, 5));
    EXPECT_EQ(small.inner, QPoint(10, 15));
}

TEST(VolumeCtrl, PointerIsPaintedAtItsAngle) {
    CVolumeCtrl knob;
    knob.resize(60, 60);
    knob.SetRange(-50, 50);
    for (int pos : {-50, 0, 50}) {
        knob.SetPos(pos);
        const QImage img = RenderWidget(knob);
        const KnobGeometry g = KnobLayout(60, 60, -50, 50, pos);
        EXPECT_TRUE(IsDark(img, PointerMiddle(g))) << pos;
        // The other two positions' pointers are not drawn.
        for (int other : {-50, 0, 50}) {
            if (other != pos) {
                EXPECT_FALSE(IsDark(img, PointerMiddle(KnobLayout(60, 60, -50, 50, other)))) << pos;
            }
        }
    }
    // Background outside the circle, white inside it, black rim.
    const QImage img = RenderWidget(knob);
    EXPECT_EQ(img.pixelColor(0, 0), ColorOf(knob.GetBkColor()));
    EXPECT_EQ(img.pixelColor(30, 45), QColor(Qt::white));
    EXPECT_TRUE(IsDark(img, QPoint(30, 0)));

    knob.SetBkColor(RGB(0x40, 0x40, 0x40));
    EXPECT_EQ(RenderWidget(knob).pixelColor(0, 0), QColor(0x40, 0x40, 0x40));
}

TEST(VolumeCtrl, SetPosClampsAndNeverNotifies) {
    KnobParent parent;
    auto* knob = new CVolumeCtrl(&parent);
    knob->SetRange(1, 100);
    knob->SetPos(0);
    EXPECT_EQ(knob->GetPos(), 1);
    knob->SetPos(1000);
    EXPECT_EQ(knob->GetPos(), 100);
    knob->SetRange(10, 0); // inverted: the maximum wins
    EXPECT_EQ(knob->GetPos(), 0);
    QCoreApplication::sendPostedEvents();
    EXPECT_TRUE(parent.notes.empty());
}

TEST(VolumeCtrl, DraggingUpRaisesAndPostsEveryMove) {
    KnobParent parent;
    parent.resize(200, 200);
    auto* knob = new CVolumeCtrl(&parent);
    knob->setGeometry(50, 100, 40, 40);
    knob->SetRange(-50, 50);
    knob->SetPos(0);
    parent.show();

    const QPoint start(20, 20);
    QTest::mousePress(knob, Qt::LeftButton, {}, start);
    QCoreApplication::sendPostedEvents();
    EXPECT_TRUE(parent.notes.empty()); // nothing on press
    for (int dy = 5; dy <= 30; dy += 5)
        QTest::mouseMove(knob, start - QPoint(3, dy)); // sideways movement does not count
    QCoreApplication::sendPostedEvents();
    ASSERT_EQ(parent.notes.size(), 6u);
    EXPECT_EQ(parent.notes.back().pos, 30);
    EXPECT_EQ(parent.notes.back().knob, reinterpret_cast<LPARAM>(knob));
    EXPECT_EQ(knob->GetPos(), 30);

    // Further up, the value stops at the maximum and every move still posts it.
    QTest::mouseMove(knob, start - QPoint(0, 80));
    QTest::mouseMove(knob, start - QPoint(0, 90));
    QCoreApplication::sendPostedEvents();
    ASSERT_EQ(parent.notes.size(), 8u);
    EXPECT_EQ(parent.notes[6].pos, 50);
    EXPECT_EQ(parent.notes[7].pos, 50);

    QTest::mouseRelease(knob, Qt::LeftButton, {}, start - QPoint(0, 90));
    QCoreApplication::sendPostedEvents();
    EXPECT_EQ(parent.notes.size(), 8u); // nothing on release

    // A new drag starts from the value at its press, downwards lowers it.
    QTest::mousePress(knob, Qt::LeftButton, {}, start);
    QTest::mouseMove(knob, start + QPoint(0, 12));
    QTest::mouseRelease(knob, Qt::LeftButton, {}, start + QPoint(0, 12));
    QCoreApplication::sendPostedEvents();
    EXPECT_EQ(parent.notes.back().pos, 38);

    // Moves without a held button do nothing.
    QTest::mouseMove(knob, start - QPoint(0, 10));
    QCoreApplication::sendPostedEvents();
    EXPECT_EQ(parent.notes.size(), 9u);
    EXPECT_EQ(knob->GetPos(), 38);
}
