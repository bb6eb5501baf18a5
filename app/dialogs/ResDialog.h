#pragma once

#include "platform/DialogTemplate.h"
#include "platform/WinTypes.h"

#include <QDialog>

class CDataExchange;

// A dialog built from one of the program's dialog resources, run the desktop way: controls found by id,
// OnInitDialog before it is first shown, data exchange between fields and controls, commands by control
// id, and OK / Cancel (also Enter and Esc, and the close box) through OnOK / OnCancel. A page made with
// bChild is a plain child widget inside its parent instead of a window. UI thread.
class CResDialog : public QDialog {
    Q_OBJECT
public:
    CResDialog(int nTemplateId, QWidget* parent, bool bChild = false);
    ~CResDialog() override;

    // Builds the controls from the resource and runs OnInitDialog, once. False when the dialog ended
    // itself while opening.
    bool Create();
    // Create, then runs the dialog modally. IDOK or IDCANCEL (or what EndDialog was given).
    int DoModal();
    // Ends the dialog (a modal run returns nResult).
    void EndDialog(int nResult);

    QWidget* GetDlgItem(int id) const { return platform::GetDlgItem(this, id); }
    template <class T> T* GetDlgItemAs(int id) const { return platform::GetDlgItemAs<T>(this, id); }
    void SetDlgItemText(int id, const QString& text);
    QString GetDlgItemText(int id) const;

    // Fields to controls (FALSE) or controls to fields with validation (TRUE). FALSE when a value was
    // refused; the offending control then has the focus and its text is selected.
    BOOL UpdateData(BOOL bSaveAndValidate = TRUE);
    // The control whose value the last UpdateData refused, 0 when it passed.
    int FailedControlId() const { return m_nFailedId; }
    // Gives the control the focus and selects its text, as a refused value does.
    void FocusControl(int id);

    // Runs a command as if its button had been clicked (a page hands OK and Cancel on this way).
    void SendCommand(UINT id) { OnCommand(id); }

    int TemplateId() const { return m_nTemplateId; }

protected:
    // The widget for a control of the resource; nullptr for the builder's plain one.
    virtual QWidget* MakeControl(const platform::ControlTemplate& c, QWidget* parent);
    virtual BOOL OnInitDialog();
    virtual void DoDataExchange(CDataExchange& dx);
    // A button of the resource was clicked (also the invisible OK / Cancel when Enter or Esc reaches it).
    virtual void OnCommand(UINT id);
    virtual void OnOK();
    virtual void OnCancel();

    // Enter clicks the default button, Esc and the close box cancel: both through the handlers above.
    void accept() override;
    void reject() override;
    void keyPressEvent(QKeyEvent* e) override;

private:
    int m_nTemplateId;
    bool m_bChild;
    bool m_bCreated = false;
    bool m_bEnded = false;
    int m_nFailedId = 0;
};
