// Group files from anywhere: a file that loads saves, and what is saved loads back the same
// (after one pass, in which quoted or padded texts settle as the reader sees them).
#include "FuzzFile.h"

#include "app/data/GroupFile.h"

#include <cstdlib>

namespace {
bool Same(const CGroupArray& a, const CGroupArray& b) {
    if (a.GetSize() != b.GetSize())
        return false;
    for (int g = 0; g < a.GetSize(); ++g) {
        if (a[g].m_strName != b[g].m_strName)
            return false;
        for (int c = 0; c < CGroupData::kChannelCount; ++c) {
            const CChannelData& x = a[g].m_aChannel[static_cast<std::size_t>(c)];
            const CChannelData& y = b[g].m_aChannel[static_cast<std::size_t>(c)];
            if (x.m_strTitle != y.m_strTitle || x.m_strFile != y.m_strFile || x.m_nVolume != y.m_nVolume ||
                x.m_nPan != y.m_nPan || x.m_dRate != y.m_dRate || x.m_bRepeat != y.m_bRepeat ||
                x.m_bFadeIn != y.m_bFadeIn || x.m_bFadeOut != y.m_bFadeOut ||
                x.m_dTimeFadeIn != y.m_dTimeFadeIn || x.m_dTimeFadeOut != y.m_dTimeFadeOut)
                return false;
        }
    }
    return true;
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QString path = QString::fromStdString(fuzz::WriteInput(data, size, ".pdg"));
    CGroupArray first;
    if (CGroupFile::Read(path, first) != CGroupFile::kOk)
        return 0;
    if (CGroupFile::Write(path, first, FALSE) != CGroupFile::kOk)
        std::abort();
    CGroupArray second, third;
    if (CGroupFile::Read(path, second) != CGroupFile::kOk || second.GetSize() != first.GetSize())
        std::abort();
    if (CGroupFile::Write(path, second, FALSE) != CGroupFile::kOk ||
        CGroupFile::Read(path, third) != CGroupFile::kOk)
        std::abort();
    if (!Same(second, third))
        std::abort();
    return 0;
}
