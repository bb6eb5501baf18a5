#include "app/show/CueAudition.h"

#include <QFile>

bool CCueAudition::Start(const QString& file, int channel, LONG attenuation, LONG balance, double rate) {
    Stop();
    auto player = std::make_unique<CAdxShow>();
    if (player->Open(QFile::encodeName(file).constData(), 0) != 0)
        return false;
    // Marked before it plays: no block of it is mixed into the main output.
    if (player->SetAudition(TRUE) != 0)
        return false;
    (void)player->SetVolume(attenuation); // in range: the session's figures
    (void)player->SetBalance(balance);
    (void)player->SetRate(rate);
    if (player->Play() != 0)
        return false;
    m_player = std::move(player);
    m_channel = channel;
    m_file = file;
    return true;
}

void CCueAudition::Stop() {
    if (m_player)
        m_player->Close();
    m_player.reset();
    m_channel = kNoChannel;
    m_file.clear();
}

bool CCueAudition::StepEnded() {
    if (!m_player)
        return false;
    // A player stays running at its end until its owner takes the completion from its events.
    bool ended = !m_player->IsPlay();
    LONG code = 0, param1 = 0, param2 = 0;
    while (m_player->GetEvent(&code, &param1, &param2, 0) == AdxResult::kOk)
        ended = ended || code == EC_COMPLETE || code == EC_ERRORABORT;
    if (!ended)
        return false;
    Stop();
    return true;
}
