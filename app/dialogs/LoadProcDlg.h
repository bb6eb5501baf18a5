#pragma once

#include "platform/Message.h"
#include "platform/WinTypes.h"

#include <QDialog>
#include <QIcon>

#include <atomic>
#include <functional>
#include <memory>
#include <thread>

class QProgressBar;

// The small modal window shown while the sounds of a group are loaded. A worker thread asks the owner
// for channels 0 to 9 one at a time with a synchronous WM_LOAD_CHANNEL (the owner loads each on its
// own thread, the UI thread) and advances the bar after each; the dialog ends with IDOK after the
// tenth. Closing it early (the caption's close box) ends it with IDCANCEL: a send the worker waits in
// is given up and the worker stops before the next channel, so the UI thread never waits for a worker
// that waits for it. The worker has always ended when the dialog has.
class CLoadProcDlg : public QDialog {
    Q_OBJECT
public:
    static constexpr int kChannelCount = 10;

    // pOwner: the window that answers WM_LOAD_CHANNEL and the dialog's parent (not owned).
    explicit CLoadProcDlg(QWidget* pOwner);
    ~CLoadProcDlg() override;

    // Runs the dialog modally; IDOK after all ten channels, IDCANCEL when closed early or the worker
    // could not start. UI thread.
    int DoModal();

    // Runs on the worker thread before the first channel is asked for, while the dialog shows.
    // Call before DoModal.
    void SetPrelude(std::function<void()> prelude) { m_prelude = std::move(prelude); }

    // True while a worker thread exists that has not been joined. UI thread.
    bool HasWorker() const { return m_pThread != nullptr; }

protected:
    bool event(QEvent* e) override;
    void done(int r) override;
    // The caption's close box: ends with IDCANCEL.
    void reject() override;
    void keyPressEvent(QKeyEvent* e) override;

private:
    void OnInitDialog();
    void OnStart();
    void JoinWorker();
    // Worker thread.
    void WorkerMain();

    QWidget* m_pOwner;
    QIcon m_hIcon;
    std::unique_ptr<std::thread> m_pThread;
    QProgressBar* m_ctrlProgress = nullptr;
    std::shared_ptr<platform::SendCancel> m_pCancel;
    std::function<void()> m_prelude;
};
