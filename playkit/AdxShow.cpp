#include "playkit/AdxShow.h"

HRESULT CSGCallback::QueryInterface(const void*, void** ppv) {
    if (ppv)
        *ppv = nullptr;
    return E_NOINTERFACE;
}
std::uint32_t CSGCallback::AddRef() {
    return ++m_nRef;
}
std::uint32_t CSGCallback::Release() {
    const std::uint32_t n = --m_nRef;
    if (n == 0)
        delete this;
    return n;
}
HRESULT CSGCallback::SampleCB(double, void*) {
    return S_OK;
}
HRESULT CSGCallback::BufferCB(double, std::uint8_t*, LONG) {
    return S_OK;
}
void CSGCallback::SetNotify(IAdxMessageTarget* pWnd, UINT msg, UINT id) {
    m_nNotifyMsg = msg;
    m_nId = id;
    m_hNotifyWnd = pWnd;
}

CAdxShow::CAdxShow() {
    Init();
}
CAdxShow::~CAdxShow() {
    Destroy();
}
int CAdxShow::Init() {
    m_bInit = TRUE;
    return 0;
}
void CAdxShow::Destroy() {
    Close();
    m_bInit = FALSE;
}
int CAdxShow::Open(const char*, UINT) {
    return m_bInit ? -7 : -1;
}
int CAdxShow::Close() {
    return 0;
}
int CAdxShow::Play() {
    return -1;
}
int CAdxShow::Pause() {
    return -1;
}
int CAdxShow::Stop() {
    return -1;
}
BOOL CAdxShow::IsPlay() {
    return FALSE;
}
double CAdxShow::GetTotalTime() {
    return -1.0;
}
double CAdxShow::GetTickCount() {
    return -1.0;
}
double CAdxShow::GetStopTime() {
    return -1.0;
}
double CAdxShow::GetRate() {
    return 0.0;
}
int CAdxShow::SetCurrentTime(double) {
    return -1;
}
int CAdxShow::SetStopTime(double) {
    return -1;
}
int CAdxShow::SetRate(double) {
    return -1;
}
LONG CAdxShow::GetVolume() {
    return -10000;
}
LONG CAdxShow::GetBalance() {
    return 0;
}
int CAdxShow::SetVolume(LONG) {
    return -1;
}
int CAdxShow::SetBalance(LONG) {
    return -1;
}
int CAdxShow::SetNotifyWindow(IAdxMessageTarget*, UINT) {
    return -1;
}
int CAdxShow::GetEvent(LONG*, LONG*, LONG*, LONG) {
    return -1;
}
int CAdxShow::SetVolumeNotifyWindow(IAdxMessageTarget*, UINT) {
    return -1;
}
int CAdxShow::GetVolumePeak(LONG*, LONG*) {
    return -1;
}
