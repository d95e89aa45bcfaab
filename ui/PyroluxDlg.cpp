#include "PyroluxDlg.h"

#include "AboutDialog.h"
#include "ClockEstimate.h"
#include "CpuIdentification.h"
#include "TestRun.h"
#include "resource.h"

namespace {

const UINT_PTR kTestTimer = 1;
const UINT kTestTimerPeriod = 100;  // ms
// The system uses the low four bits of a WM_SYSCOMMAND identifier itself.
const UINT kSysCommandMask = 0xFFF0;

// Identification leaves the record alone on a processor without CPUID; a
// record cleared first then reads as "no name, nothing usable".
ProcessorRecord IdentifyIntoClearedRecord()
{
    ProcessorRecord record = {};
    IdentifyProcessor(&record);
    return record;
}

}  // namespace

BEGIN_MESSAGE_MAP(CPyroluxDlg, CDialog)
    ON_WM_SYSCOMMAND()
    ON_WM_PAINT()
    ON_WM_QUERYDRAGICON()
    ON_WM_CREATE()
    ON_BN_CLICKED(IDC_START_STOP, &CPyroluxDlg::OnStartStop)
    ON_WM_TIMER()
END_MESSAGE_MAP()

const char* const CPyroluxDlg::StartFailedText =
    "The test could not be started: Windows could not create its worker threads.";

CPyroluxDlg::CPyroluxDlg(CWnd* pParent, ThreadStartProc startThread)
    : CDialog(IDD_PYROLUX_DIALOG, pParent),
      m_hIcon(::LoadIconA(AfxGetInstanceHandle(), MAKEINTRESOURCEA(IDR_MAINFRAME))),
      m_startThread(startThread)
{
}

void CPyroluxDlg::DoDataExchange(CDataExchange* pDX)
{
    CDialog::DoDataExchange(pDX);
    DDX_Control(pDX, IDC_PROGRESS_PRIME, m_progressPrime);
    DDX_Control(pDX, IDC_PROGRESS_PI, m_progressPi);
    DDX_Control(pDX, IDC_PROGRESS_FIBONACCI, m_progressFibonacci);
    DDX_Control(pDX, IDC_PROGRESS_CPU_CHIPSET, m_progressCpuChipset);
    DDX_Control(pDX, IDC_PROGRESS_CHIPSET_MEMORY, m_progressChipsetMemory);
    DDX_Control(pDX, IDC_PROGRESS_COMPLEX_MATRIX, m_progressComplexMatrix);
    DDX_Control(pDX, IDC_START_STOP, m_btnStartStop);
    DDX_Control(pDX, IDC_USE_SSE, m_chkUseSse);
    DDX_Control(pDX, IDC_USE_MMX, m_chkUseMmx);
    DDX_Text(pDX, IDC_CPU_TEXT, m_strCpu);
    DDX_Text(pDX, IDC_ERROR_TEXT, m_strError);
    DDX_Text(pDX, IDC_CLOCK_TEXT, m_strClock);
}

int CPyroluxDlg::OnCreate(LPCREATESTRUCTA lpCreateStruct)
{
    if (CDialog::OnCreate(lpCreateStruct) == -1)
        return -1;
    ProcessorRecord record = IdentifyIntoClearedRecord();
    m_strCpu = record.modelName;
    // Holds this thread for about a second, before the window is shown.
    m_strClock = EstimateClock();
    return 0;
}

BOOL CPyroluxDlg::OnInitDialog()
{
    CDialog::OnInitDialog();

    if (CMenu* pSysMenu = GetSystemMenu(FALSE)) {
        CString strAboutMenu;
        strAboutMenu.LoadString(IDS_ABOUTBOX);
        if (!strAboutMenu.IsEmpty()) {
            pSysMenu->AppendMenu(MF_SEPARATOR);
            pSysMenu->AppendMenu(MF_STRING, IDM_ABOUTBOX, strAboutMenu);
        }
    }

    SetIcon(m_hIcon, TRUE);
    SetIcon(m_hIcon, FALSE);

    // The workers run above normal; the window keeps up with them.
    ::SetThreadPriority(::GetCurrentThread(), THREAD_PRIORITY_ABOVE_NORMAL);

    ProcessorRecord record = IdentifyIntoClearedRecord();
    m_bMmxAvailable = (record.usableFeatures & FeatureMMX) ? 1 : 0;
    m_chkUseMmx.EnableWindow(m_bMmxAvailable);
    if (m_bMmxAvailable)
        m_chkUseMmx.SetCheck(BST_CHECKED);
    m_bSseAvailable = (record.usableFeatures & FeatureSSE) ? 1 : 0;
    m_chkUseSse.EnableWindow(m_bSseAvailable);
    if (m_bSseAvailable)
        m_chkUseSse.SetCheck(BST_CHECKED);

    m_progressComplexMatrix.SetRange(1, 90);
    m_progressChipsetMemory.SetRange(1, 50);
    m_progressCpuChipset.SetRange(1, 45);
    m_progressFibonacci.SetRange(1, 60);
    m_progressPi.SetRange(1, 75);
    m_progressPrime.SetRange(1, 70);

    // Shown before this window appears, on its own.
    AboutDialog about;
    about.DoModal();

    return TRUE;
}

void CPyroluxDlg::OnOK()
{
    CDialog::OnOK();
}

void CPyroluxDlg::OnSysCommand(UINT nID, LPARAM lParam)
{
    if ((nID & kSysCommandMask) == IDM_ABOUTBOX) {
        AboutDialog about;
        about.DoModal();
    } else {
        CDialog::OnSysCommand(nID, lParam);
    }
}

void CPyroluxDlg::OnPaint()
{
    if (IsIconic()) {
        CPaintDC dc(this);
        SendMessage(WM_ICONERASEBKGND, reinterpret_cast<WPARAM>(dc.GetSafeHdc()), 0);
        CRect rect;
        GetClientRect(&rect);
        int x = (rect.Width() - ::GetSystemMetrics(SM_CXICON) + 1) / 2;
        int y = (rect.Height() - ::GetSystemMetrics(SM_CYICON) + 1) / 2;
        dc.DrawIcon(x, y, m_hIcon);
    } else {
        CDialog::OnPaint();
    }
}

HCURSOR CPyroluxDlg::OnQueryDragIcon()
{
    return reinterpret_cast<HCURSOR>(m_hIcon);
}

void CPyroluxDlg::OnStartStop()
{
    if (g_testFlags.Idle.load(std::memory_order_relaxed))
        StartRun();
    else
        StopRun();
}

void CPyroluxDlg::StartRun()
{
    m_chkUseMmx.EnableWindow(FALSE);
    m_chkUseSse.EnableWindow(FALSE);
    m_btnStartStop.SetWindowText("&Stop");
    // Shown from the first tick on.
    const CString previousError = m_strError;
    m_strError = "No Error(s) detected yet!";
    m_bUseMmx = m_chkUseMmx.GetCheck() != 0;
    m_bUseSse = m_chkUseSse.GetCheck() != 0;
    if (StartTest(this, m_bUseMmx, m_bUseSse, m_startThread) < WorkerCount(m_bUseMmx, m_bUseSse)) {
        // The run has already stopped the workers that did start: nothing
        // runs, and the window must not say otherwise.
        m_strError = previousError;
        ShowIdle();
        AfxMessageBox(StartFailedText, MB_ICONEXCLAMATION | MB_OK);
        return;
    }
    SetTimer(kTestTimer, kTestTimerPeriod);
}

void CPyroluxDlg::StopRun()
{
    StopTest();
    KillTimer(kTestTimer);
    ShowIdle();
    // The error line keeps what it last showed.
    UpdateData(TRUE);
}

void CPyroluxDlg::ShowIdle()
{
    m_progressComplexMatrix.SetPos(0);
    m_progressChipsetMemory.SetPos(0);
    m_progressCpuChipset.SetPos(0);
    m_progressFibonacci.SetPos(0);
    m_progressPi.SetPos(0);
    m_progressPrime.SetPos(0);
    m_btnStartStop.EnableWindow(TRUE);
    m_btnStartStop.SetWindowText("&Start Test");
    if (m_bMmxAvailable)
        m_chkUseMmx.EnableWindow(TRUE);
    if (m_bSseAvailable)
        m_chkUseSse.EnableWindow(TRUE);
}

void CPyroluxDlg::OnTimer(UINT_PTR nIDEvent)
{
    PollErrors(m_strError);
    m_progressComplexMatrix.StepIt();
    m_progressChipsetMemory.StepIt();
    m_progressCpuChipset.StepIt();
    m_progressFibonacci.StepIt();
    m_progressPi.StepIt();
    m_progressPrime.StepIt();
    UpdateData(FALSE);
    CDialog::OnTimer(nIDEvent);
}
