// The main window: processor name and clock, the two options, Start/Stop,
// the error line and six progress bars that cycle while a test runs.
#pragma once

#include "Afx.h"
#include "TestRun.h"

class CPyroluxDlg : public CDialog {
public:
    // startThread starts each worker of a run; tests hand in their own.
    explicit CPyroluxDlg(CWnd* pParent = nullptr, ThreadStartProc startThread = StartWorkerThread);

    // Shown when a run could not start all its workers.
    static const char* const StartFailedText;

protected:
    void DoDataExchange(CDataExchange* pDX) override;
    BOOL OnInitDialog() override;
    void OnOK() override;

    int OnCreate(LPCREATESTRUCT lpCreateStruct);
    void OnSysCommand(UINT nID, LPARAM lParam);
    void OnPaint();
    HCURSOR OnQueryDragIcon();
    void OnStartStop();
    void StartRun();
    void StopRun();
    // Bars at 0, button "&Start Test", usable options enabled again.
    void ShowIdle();
    void OnTimer(UINT_PTR nIDEvent);

    DECLARE_MESSAGE_MAP()

    // Bound by data exchange, in the order the handlers address them.
    CProgressCtrl m_progressPrime;           // 1012
    CProgressCtrl m_progressPi;              // 1010
    CProgressCtrl m_progressFibonacci;       // 1011
    CProgressCtrl m_progressCpuChipset;      // 1015
    CProgressCtrl m_progressChipsetMemory;   // 1013
    CProgressCtrl m_progressComplexMatrix;   // 1014
    CButton m_btnStartStop;                  // 1008
    CButton m_chkUseSse;                     // 1007
    CButton m_chkUseMmx;                     // 1006
    CString m_strCpu;                        // 1000
    CString m_strError;                      // 1016
    CString m_strClock;                      // 1001

    BYTE m_bUseMmx = 0;
    BYTE m_bUseSse = 0;
    BYTE m_bMmxAvailable = 0;
    BYTE m_bSseAvailable = 0;
    HICON m_hIcon;
    ThreadStartProc m_startThread;
};
