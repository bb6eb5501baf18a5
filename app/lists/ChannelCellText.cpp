#include "app/lists/ChannelCellText.h"

#include "app/data/GroupData.h"

#include <QCoreApplication>
#include <QFontMetrics>
#include <QString>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstring>
#include <limits>

namespace lists {
namespace {

// Whole seconds towards zero; a value no int can hold (a broken length, NaN) shows as 0 rather than
// being undefined.
int WholeSeconds(double seconds) {
    if (!std::isfinite(seconds) || seconds >= static_cast<double>(std::numeric_limits<int>::max()) + 1.0 ||
        seconds <= static_cast<double>(std::numeric_limits<int>::min()) - 1.0)
        return 0;
    return static_cast<int>(seconds);
}

} // namespace

QByteArray PadNumberText(int index) {
    return IntText(index + 1 < 10 ? index + 1 : index - 9);
}

QByteArray PlayTimeText(double playTime, double endTime) {
    const int e = WholeSeconds(playTime);
    const int t = WholeSeconds(endTime);
    return QString::asprintf("%02d:%02d/%02d:%02d", e / 60, e % 60, t / 60, t % 60).toUtf8();
}

QByteArray IntText(int value) {
    return QByteArray::number(value);
}

QByteArray TenthsText(double value) {
    // to_chars rounds as printf does but ignores the C locale, which the application takes from the
    // environment (a comma locale would print "1,0").
    char buffer[400]; // room for the widest finite double
    const auto [end, ec] = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed, 1);
    return ec == std::errc() ? QByteArray(buffer, static_cast<int>(end - buffer)) : QByteArray();
}

void CopyCellText(const QByteArray& text, char* buffer, int size) {
    if (!buffer || size <= 0)
        return;
    int length = std::min(static_cast<int>(text.size()), size - 1);
    // Step back over continuation bytes so that a cut never leaves half a character.
    if (length < text.size())
        while (length > 0 && (static_cast<unsigned char>(text[length]) & 0xC0) == 0x80)
            --length;
    std::memcpy(buffer, text.constData(), static_cast<size_t>(length));
    buffer[length] = '\0';
}

void AnswerChannelText(NMHDR* pNMHDR, const CGroupData* pGroup, ChannelCellTextFn text) {
    auto* info = reinterpret_cast<NMLVDISPINFO*>(pNMHDR);
    const int index = static_cast<int>(info->item.lParam);
    if ((info->item.mask & LVIF_TEXT) && pGroup && index >= 0 && index < CGroupData::kChannelCount)
        CopyCellText(text(index, pGroup->m_aChannel[static_cast<size_t>(index)], info->item.iSubItem),
                     info->item.pszText, info->item.cchTextMax);
}

void InsertColumns(CBaseListCtrl& list, const ColumnDef* columns, int count) {
    for (int i = 0; i < count; ++i)
        InsertColumn(list, columns, i);
}

void InsertColumn(CBaseListCtrl& list, const ColumnDef* columns, int index) {
    const ColumnDef& def = columns[index];
    const QByteArray heading = QCoreApplication::translate("ColumnHeading", def.heading).toUtf8();
    list.InsertColumn(index, heading.constData(), def.format,
                      def.widthChars * QFontMetrics(list.font()).averageCharWidth(), index);
}

} // namespace lists
