// The dialog framework with real windows: message tables, reflection, the dialog procedure's result
// rule, the modal loop's pre-translation walk, data exchange and the Escape filter.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <string>
#include <vector>

#include "ui/data_exchange.h"
#include "ui/dialog.h"
#include "ui/dialog_template.h"
#include "ui/escape_filter.h"
#include "ui/list_ctrl.h"
#include "ui/message_loop.h"

namespace {

constexpr UINT kPing = WM_APP + 1;
constexpr UINT kDeclined = WM_APP + 2;
constexpr int kListId = 100;
constexpr int kEditId = 101;
constexpr int kRadio0 = 102, kRadio1 = 103, kRadio2 = 104;
constexpr int kAfterRadios = 105;

class PlainWindow : public CWnd {
public:
    std::vector<UINT> seen;
    int declinedCalls = 0;
    bool destroyedSeen = false;
    int commands = 0;
    int selectionChanges = 0;

    LRESULT OnPing(WPARAM wParam, LPARAM lParam) { return static_cast<LRESULT>(wParam + lParam); }
    LRESULT OnDeclined(WPARAM, LPARAM, bool& handled) {
        ++declinedCalls;
        handled = false;
        return 99;
    }
    LRESULT OnCreate(WPARAM, LPARAM) {
        seen.push_back(WM_CREATE);
        return 0;
    }
    void PostNcDestroy() override { destroyedSeen = true; }
    void OnCommand() { ++commands; }
    void OnSelectionChange() { ++selectionChanges; }

    DECLARE_MESSAGE_TABLE()
};

BEGIN_MESSAGE_TABLE(PlainWindow, CWnd)
ON_MESSAGE(kPing, &PlainWindow::OnPing)
ON_MESSAGE(kDeclined, &PlainWindow::OnDeclined)
ON_MESSAGE(WM_CREATE, &PlainWindow::OnCreate)
ON_COMMAND(300, &PlainWindow::OnCommand)
ON_CONTROL(CBN_SELCHANGE, 300, &PlainWindow::OnSelectionChange)
END_MESSAGE_TABLE()

// A window class derived from another: its own entries come first, the base's still apply.
class DerivedWindow : public PlainWindow {
public:
    LRESULT OnPingTwice(WPARAM wParam, LPARAM lParam, bool& handled) {
        handled = wParam != 0; // declines a zero, so the base's handler answers
        return static_cast<LRESULT>(2 * (wParam + lParam));
    }
    DECLARE_MESSAGE_TABLE()
};

BEGIN_MESSAGE_TABLE(DerivedWindow, PlainWindow)
ON_MESSAGE(kPing, &DerivedWindow::OnPingTwice)
END_MESSAGE_TABLE()

TEST(WindowBase, CreatedWindowRoutesThroughItsTableAndDefaultsTheRest) {
    DerivedWindow window;
    ASSERT_TRUE(window.CreatePopup("probe"));
    ASSERT_NE(window.m_hWnd, nullptr);
    EXPECT_EQ(CWnd::FromHandle(window.m_hWnd), &window);
    // WM_CREATE came through the table: the object was bound before the window's first message.
    ASSERT_EQ(window.seen.size(), 1u);
    EXPECT_EQ(window.seen[0], static_cast<UINT>(WM_CREATE));
    EXPECT_EQ(window.SendMessage(kPing, 3, 4), 14);
    EXPECT_EQ(window.SendMessage(kPing, 0, 4), 4);
    // A declining handler lets the default procedure answer (0 for an application message).
    EXPECT_EQ(window.SendMessage(kDeclined), 0);
    EXPECT_EQ(window.declinedCalls, 1);
    // Unhandled messages reach the default procedure: the window text is stored by it.
    window.SetWindowText("changed");
    EXPECT_EQ(window.GetWindowText(), "changed");
    HWND hwnd = window.m_hWnd;
    EXPECT_TRUE(window.DestroyWindow());
    EXPECT_FALSE(::IsWindow(hwnd));
    EXPECT_EQ(window.m_hWnd, nullptr);
    EXPECT_TRUE(window.destroyedSeen);
    EXPECT_EQ(CWnd::FromHandle(hwnd), nullptr);
}

TEST(WindowBase, CommandsAndControlNotificationsGoToTheirOwnEntries) {
    PlainWindow window;
    ASSERT_TRUE(window.CreatePopup("commands"));
    HWND control =
        ::CreateWindowExA(0, "COMBOBOX", "", WS_CHILD | CBS_DROPDOWNLIST, 0, 0, 100, 100, window.m_hWnd,
                          reinterpret_cast<HMENU>(300), ::GetModuleHandleA(nullptr), nullptr);
    ASSERT_NE(control, nullptr);
    window.SendMessage(WM_COMMAND, MAKEWPARAM(300, 0), 0); // menu
    window.SendMessage(WM_COMMAND, MAKEWPARAM(300, 1), 0); // accelerator
    window.SendMessage(WM_COMMAND, MAKEWPARAM(300, BN_CLICKED), reinterpret_cast<LPARAM>(control)); // click
    EXPECT_EQ(window.commands, 3);
    EXPECT_EQ(window.selectionChanges, 0);
    // A control's notification with code 1 is not a command.
    window.SendMessage(WM_COMMAND, MAKEWPARAM(300, CBN_SELCHANGE), reinterpret_cast<LPARAM>(control));
    EXPECT_EQ(window.commands, 3);
    EXPECT_EQ(window.selectionChanges, 1);
    window.SendMessage(WM_COMMAND, MAKEWPARAM(301, 0), 0);
    EXPECT_EQ(window.commands, 3);
    window.DestroyWindow();
}

TEST(WindowBase, SubclassedControlKeepsItsOwnBehaviourAndCanBeReleased) {
    PlainWindow parent;
    ASSERT_TRUE(parent.CreatePopup("parent"));
    HWND edit = ::CreateWindowExA(0, "EDIT", "abc", WS_CHILD, 0, 0, 100, 20, parent.m_hWnd, nullptr,
                                  ::GetModuleHandleA(nullptr), nullptr);
    ASSERT_NE(edit, nullptr);
    WNDPROC original = reinterpret_cast<WNDPROC>(::GetWindowLongPtrA(edit, GWLP_WNDPROC));
    PlainWindow control;
    ASSERT_TRUE(control.SubclassWindow(edit));
    EXPECT_FALSE(PlainWindow().SubclassWindow(edit)) << "a window is bound to one object only";
    EXPECT_EQ(::SendMessageA(edit, kPing, 1, 1), 2);
    // The edit control's own procedure still keeps its text.
    EXPECT_EQ(control.GetWindowText(), "abc");
    // Another thread finds the object too, and no longer once the window is released.
    struct Lookup {
        HWND window;
        CWnd* found = nullptr;
        HANDLE go = ::CreateEventA(nullptr, FALSE, FALSE, nullptr);
        HANDLE done = ::CreateEventA(nullptr, FALSE, FALSE, nullptr);
        int rounds = 2;
        ~Lookup() {
            ::CloseHandle(go);
            ::CloseHandle(done);
        }
        CWnd* Ask() {
            ::SetEvent(go);
            return ::WaitForSingleObject(done, 10000) == WAIT_OBJECT_0 ? found : reinterpret_cast<CWnd*>(1);
        }
        static DWORD WINAPI Run(LPVOID self) {
            auto* lookup = static_cast<Lookup*>(self);
            for (int round = 0; round < lookup->rounds; ++round) {
                ::WaitForSingleObject(lookup->go, INFINITE);
                lookup->found = CWnd::FromHandle(lookup->window);
                ::SetEvent(lookup->done);
            }
            return 0;
        }
    } lookup{edit};
    HANDLE thread = ::CreateThread(nullptr, 0, &Lookup::Run, &lookup, 0, nullptr);
    ASSERT_NE(thread, nullptr);
    EXPECT_EQ(CWnd::FromHandle(edit), &control);
    EXPECT_EQ(lookup.Ask(), &control);
    EXPECT_EQ(control.UnsubclassWindow(), edit);
    EXPECT_EQ(CWnd::FromHandle(edit), nullptr);
    EXPECT_EQ(lookup.Ask(), nullptr) << "what a thread found before is not kept past the release";
    ::WaitForSingleObject(thread, 10000);
    ::CloseHandle(thread);
    EXPECT_EQ(reinterpret_cast<WNDPROC>(::GetWindowLongPtrA(edit, GWLP_WNDPROC)), original);
    EXPECT_EQ(::SendMessageA(edit, kPing, 1, 1), 0);
    // A window bound anew leads to its new object.
    PlainWindow second;
    ASSERT_TRUE(second.SubclassWindow(edit));
    EXPECT_EQ(CWnd::FromHandle(edit), &second);
    EXPECT_EQ(::SendMessageA(edit, kPing, 1, 1), 2);
    second.UnsubclassWindow();
    parent.DestroyWindow();
}

// A list that answers its own custom draw and lets its owner see the click as well.
class ReflectingList : public CListCtrl {
public:
    int clicks = 0;
    int customDraws = 0;
    LRESULT OnClick(NMHDR*, bool& handled) {
        ++clicks;
        handled = false;
        return 0;
    }
    LRESULT OnCustomDraw(NMHDR* header) {
        NMCUSTOMDRAW* draw = reinterpret_cast<NMCUSTOMDRAW*>(header);
        ++customDraws;
        return draw->dwDrawStage == CDDS_PREPAINT ? CDRF_NOTIFYITEMDRAW : CDRF_DODEFAULT;
    }
    DECLARE_MESSAGE_TABLE()
};

BEGIN_MESSAGE_TABLE(ReflectingList, CListCtrl)
ON_NOTIFY_REFLECT(NM_CLICK, &ReflectingList::OnClick)
ON_NOTIFY_REFLECT(NM_CUSTOMDRAW, &ReflectingList::OnCustomDraw)
END_MESSAGE_TABLE()

class TestDialog : public CDialog {
public:
    explicit TestDialog(const DLGTEMPLATE* t, CWnd* parent = nullptr) : CDialog(t, parent) {}
    ReflectingList list;
    int ownerClicks = 0;
    int ownerCustomDraws = 0;
    int initCalls = 0;
    std::string text = "hello";
    int radio = 1;
    std::vector<std::string> preTranslated;

    void DoDataExchange(CDataExchange* dx) override {
        DDX_Control(dx, kListId, list);
        DDX_Text(dx, kEditId, text);
        DDX_Radio(dx, kRadio0, radio);
    }
    BOOL OnInitDialog() override {
        CDialog::OnInitDialog();
        ++initCalls;
        list.InsertColumn(0, "Name", LVCFMT_LEFT, 80);
        list.InsertItem(0, "row");
        return TRUE;
    }
    LRESULT OnListClick(NMHDR*) {
        ++ownerClicks;
        return 0;
    }
    LRESULT OnListCustomDraw(NMHDR*) {
        ++ownerCustomDraws;
        return CDRF_DODEFAULT;
    }
    LRESULT OnCtlColor(WPARAM, LPARAM) { return reinterpret_cast<LRESULT>(::GetStockObject(GRAY_BRUSH)); }
    LRESULT OnAnswer(WPARAM, LPARAM) { return 0x1234; }
    void OnEnd() { EndDialog(42); }
    BOOL PreTranslateMessage(MSG* msg) override {
        if (msg->message == WM_KEYDOWN && msg->wParam == 'Q') {
            preTranslated.push_back("dialog");
            return TRUE;
        }
        return CDialog::PreTranslateMessage(msg);
    }
    DECLARE_MESSAGE_TABLE()
};

constexpr UINT kAnswer = WM_APP + 3;
constexpr UINT kEnd = WM_APP + 4;

BEGIN_MESSAGE_TABLE(TestDialog, CDialog)
ON_NOTIFY(NM_CLICK, kListId, &TestDialog::OnListClick)
ON_NOTIFY(NM_CUSTOMDRAW, kListId, &TestDialog::OnListCustomDraw)
ON_MESSAGE(WM_CTLCOLORDLG, &TestDialog::OnCtlColor)
ON_MESSAGE(kAnswer, &TestDialog::OnAnswer)
ON_COMMAND(kEnd, &TestDialog::OnEnd)
END_MESSAGE_TABLE()

DialogTemplate MakeTemplate(DWORD style) {
    DialogTemplate t(style, 0, 10, 10, 200, 150, "Framework");
    t.AddControl(WC_LISTVIEWA, WS_VISIBLE | WS_BORDER | LVS_REPORT, 5, 5, 150, 60, kListId);
    t.AddControl("EDIT", WS_VISIBLE | WS_BORDER | WS_TABSTOP | ES_AUTOHSCROLL, 5, 70, 100, 12, kEditId);
    t.AddControl("BUTTON", WS_VISIBLE | WS_GROUP | BS_AUTORADIOBUTTON, 5, 85, 40, 10, kRadio0, "A");
    t.AddControl("BUTTON", WS_VISIBLE | BS_AUTORADIOBUTTON, 50, 85, 40, 10, kRadio1, "B");
    t.AddControl("BUTTON", WS_VISIBLE | BS_AUTORADIOBUTTON, 95, 85, 40, 10, kRadio2, "C");
    t.AddControl("BUTTON", WS_VISIBLE | WS_GROUP | BS_AUTOCHECKBOX, 5, 100, 60, 10, kAfterRadios, "D");
    return t;
}

NMHDR ClickFrom(HWND list) {
    return NMHDR{list, static_cast<UINT_PTR>(kListId), static_cast<UINT>(NM_CLICK)};
}

class DialogFramework : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        INITCOMMONCONTROLSEX init = {sizeof(init),
                                     ICC_LISTVIEW_CLASSES | ICC_TAB_CLASSES | ICC_TREEVIEW_CLASSES};
        ::InitCommonControlsEx(&init);
    }
};

TEST_F(DialogFramework, ModelessDialogBindsControlsAndExchangesData) {
    DialogTemplate t = MakeTemplate(WS_POPUP | WS_CAPTION | WS_SYSMENU);
    TestDialog dialog(t.Get());
    ASSERT_TRUE(dialog.Create());
    EXPECT_EQ(dialog.initCalls, 1);
    // The list was attached to its wrapper when the dialog initialised (PreSubclassWindow moment).
    EXPECT_EQ(dialog.list.m_hWnd, dialog.GetDlgItem(kListId));
    EXPECT_EQ(dialog.list.GetItemCount(), 1);
    // Members went to the controls...
    EXPECT_EQ(dialog.GetDlgItemText(kEditId), "hello");
    EXPECT_EQ(::SendMessageA(dialog.GetDlgItem(kRadio1), BM_GETCHECK, 0, 0), BST_CHECKED);
    EXPECT_EQ(::SendMessageA(dialog.GetDlgItem(kRadio0), BM_GETCHECK, 0, 0), BST_UNCHECKED);
    // ...and come back from them; the check box after the group is not part of it.
    dialog.SetDlgItemText(kEditId, "world");
    ::SendMessageA(dialog.GetDlgItem(kRadio1), BM_SETCHECK, BST_UNCHECKED, 0);
    ::SendMessageA(dialog.GetDlgItem(kRadio2), BM_SETCHECK, BST_CHECKED, 0);
    ::SendMessageA(dialog.GetDlgItem(kAfterRadios), BM_SETCHECK, BST_CHECKED, 0);
    EXPECT_TRUE(dialog.UpdateData(TRUE));
    EXPECT_EQ(dialog.text, "world");
    EXPECT_EQ(dialog.radio, 2);
    ::SendMessageA(dialog.GetDlgItem(kRadio2), BM_SETCHECK, BST_UNCHECKED, 0);
    EXPECT_TRUE(dialog.UpdateData(TRUE));
    EXPECT_EQ(dialog.radio, -1);
    dialog.DestroyWindow();
    EXPECT_EQ(dialog.m_hWnd, nullptr);
    EXPECT_EQ(dialog.list.m_hWnd, nullptr) << "the control's wrapper lets go when its window goes";
}

TEST_F(DialogFramework, IntegerExchangeFailsOnTextThatIsNotANumber) {
    struct NumberDialog : CDialog {
        using CDialog::CDialog;
        int value = 7;
        void DoDataExchange(CDataExchange* dx) override { DDX_Text(dx, kEditId, value); }
    };
    DialogTemplate t = MakeTemplate(WS_POPUP);
    NumberDialog dialog(t.Get());
    ASSERT_TRUE(dialog.Create());
    EXPECT_EQ(dialog.GetDlgItemText(kEditId), "7");
    dialog.SetDlgItemText(kEditId, " -42 ");
    EXPECT_TRUE(dialog.UpdateData(TRUE));
    EXPECT_EQ(dialog.value, -42);
    for (const char* bad : {"", "12x", "99999999999", "x"}) {
        dialog.SetDlgItemText(kEditId, bad);
        EXPECT_FALSE(dialog.UpdateData(TRUE)) << bad;
        EXPECT_EQ(dialog.value, -42) << bad;
    }
    dialog.DestroyWindow();
}

TEST_F(DialogFramework, NotificationsReachTheControlFirstAndTheOwnerUnlessTaken) {
    DialogTemplate t = MakeTemplate(WS_POPUP | WS_CAPTION);
    TestDialog dialog(t.Get());
    ASSERT_TRUE(dialog.Create());
    NMHDR click = ClickFrom(dialog.list.m_hWnd);
    dialog.SendMessage(WM_NOTIFY, kListId, reinterpret_cast<LPARAM>(&click));
    EXPECT_EQ(dialog.list.clicks, 1);
    EXPECT_EQ(dialog.ownerClicks, 1) << "a declined reflected click still reaches the owner";

    // The list's own custom-draw answer goes back to the list view through DWLP_MSGRESULT.
    NMCUSTOMDRAW draw = {};
    draw.hdr = NMHDR{dialog.list.m_hWnd, static_cast<UINT_PTR>(kListId), static_cast<UINT>(NM_CUSTOMDRAW)};
    draw.dwDrawStage = CDDS_PREPAINT;
    ::SetWindowLongPtrA(dialog.m_hWnd, DWLP_MSGRESULT, 0);
    LRESULT direct = ::SendMessageA(dialog.m_hWnd, WM_NOTIFY, kListId, reinterpret_cast<LPARAM>(&draw));
    EXPECT_EQ(direct, CDRF_NOTIFYITEMDRAW);
    EXPECT_EQ(dialog.ownerCustomDraws, 0) << "a notification the control took does not reach the owner";
    EXPECT_GT(dialog.list.customDraws, 0);
    dialog.DestroyWindow();
}

TEST_F(DialogFramework, DialogProcedureReturnsResultsByTheDialogRule) {
    DialogTemplate t = MakeTemplate(WS_POPUP);
    TestDialog dialog(t.Get());
    ASSERT_TRUE(dialog.Create());
    // An ordinary message's result travels through DWLP_MSGRESULT; SendMessage sees it.
    EXPECT_EQ(dialog.SendMessage(kAnswer), 0x1234);
    EXPECT_EQ(::GetWindowLongPtrA(dialog.m_hWnd, DWLP_MSGRESULT), 0x1234);
    // A colour message's brush is returned directly by the dialog procedure.
    ::SetWindowLongPtrA(dialog.m_hWnd, DWLP_MSGRESULT, 0x55);
    HDC dc = ::GetDC(dialog.m_hWnd);
    LRESULT brush = dialog.SendMessage(WM_CTLCOLORDLG, reinterpret_cast<WPARAM>(dc),
                                       reinterpret_cast<LPARAM>(dialog.m_hWnd));
    ::ReleaseDC(dialog.m_hWnd, dc);
    EXPECT_EQ(brush, reinterpret_cast<LRESULT>(::GetStockObject(GRAY_BRUSH)));
    EXPECT_EQ(::GetWindowLongPtrA(dialog.m_hWnd, DWLP_MSGRESULT), 0x55);
    EXPECT_TRUE(CDialog::ReturnsResultDirectly(WM_INITDIALOG));
    EXPECT_TRUE(CDialog::ReturnsResultDirectly(WM_VKEYTOITEM));
    EXPECT_FALSE(CDialog::ReturnsResultDirectly(WM_NOTIFY));
    dialog.DestroyWindow();
}

// A dialog whose handlers look at a message and then let the dialog manager do its part.
class PassingDialog : public CDialog {
public:
    using CDialog::CDialog;
    std::vector<std::string> texts;
    int selfDestroyed = 0;
    LRESULT OnSetText(WPARAM, LPARAM lParam) {
        texts.push_back(reinterpret_cast<const char*>(lParam));
        return Default();
    }
    // Destroys its own window from inside a handler; nothing of the object is used afterwards.
    void OnCloseNow() { DestroyWindow(); }
    void PostNcDestroy() override { ++selfDestroyed; }
    DECLARE_MESSAGE_TABLE()
};

constexpr int kCloseNow = 4000;

BEGIN_MESSAGE_TABLE(PassingDialog, CDialog)
ON_MESSAGE(WM_SETTEXT, &PassingDialog::OnSetText)
ON_COMMAND(kCloseNow, &PassingDialog::OnCloseNow)
END_MESSAGE_TABLE()

TEST_F(DialogFramework, HandlerCanPassAMessageOnToTheDialogManager) {
    DialogTemplate t = MakeTemplate(WS_POPUP | WS_CAPTION);
    PassingDialog dialog(t.Get());
    ASSERT_TRUE(dialog.Create());
    dialog.SetWindowText("renamed");
    ASSERT_EQ(dialog.texts.size(), 1u);
    EXPECT_EQ(dialog.texts[0], "renamed");
    EXPECT_EQ(dialog.GetWindowText(), "renamed") << "the default processing stored the caption";
    HWND hwnd = dialog.m_hWnd;
    dialog.SendMessage(WM_COMMAND, kCloseNow, 0);
    EXPECT_FALSE(::IsWindow(hwnd));
    EXPECT_EQ(dialog.m_hWnd, nullptr);
    EXPECT_EQ(dialog.selfDestroyed, 1);
}

TEST_F(DialogFramework, ModalRunEndsWithTheResultAndRestoresTheOwner) {
    PlainWindow owner;
    ASSERT_TRUE(owner.CreateEx(0, nullptr, "owner", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 300, 200, nullptr,
                               nullptr));
    struct ModalDialog : TestDialog {
        using TestDialog::TestDialog;
        HWND owner = nullptr;
        bool ownerEnabledDuringRun = true;
        BOOL OnInitDialog() override {
            TestDialog::OnInitDialog();
            ownerEnabledDuringRun = ::IsWindowEnabled(owner) != FALSE;
            // A key press for the edit box: the walk asks the edit box, then the dialog, which takes it.
            ::PostMessageA(GetDlgItem(kEditId), WM_KEYDOWN, 'Q', 0);
            PostMessage(WM_COMMAND, kEnd, 0);
            return TRUE;
        }
    };
    DialogTemplate t = MakeTemplate(WS_POPUP | WS_CAPTION | WS_SYSMENU);
    ModalDialog dialog(t.Get(), &owner);
    dialog.owner = owner.m_hWnd;
    EXPECT_EQ(dialog.DoModal(), 42);
    EXPECT_FALSE(dialog.ownerEnabledDuringRun);
    ASSERT_EQ(dialog.preTranslated.size(), 1u);
    EXPECT_EQ(dialog.m_hWnd, nullptr) << "the modal run destroys its window";
    EXPECT_TRUE(owner.IsWindowEnabled());
    owner.DestroyWindow();
}

TEST_F(DialogFramework, ModalRunEndedWhileInitialisingReturnsAtOnce) {
    struct EndsEarly : TestDialog {
        using TestDialog::TestDialog;
        BOOL OnInitDialog() override {
            TestDialog::OnInitDialog();
            EndDialog(7);
            return TRUE;
        }
    };
    DialogTemplate t = MakeTemplate(WS_POPUP | WS_CAPTION);
    EndsEarly dialog(t.Get());
    EXPECT_EQ(dialog.DoModal(), 7);
    EXPECT_EQ(dialog.m_hWnd, nullptr);
    EXPECT_FALSE(dialog.IsModalRunning());
}

TEST_F(DialogFramework, ModalRunOfAMissingTemplateFailsAndLeavesTheOwnerEnabled) {
    PlainWindow owner;
    ASSERT_TRUE(owner.CreatePopup("owner"));
    CDialog missing(54321u, &owner);
    EXPECT_EQ(missing.DoModal(), -1);
    EXPECT_TRUE(owner.IsWindowEnabled());
    EXPECT_FALSE(missing.IsModalRunning());
    owner.DestroyWindow();
}

TEST_F(DialogFramework, EscapeIsSwallowedUnlessTheCancelButtonIsDisabled) {
    DialogTemplate plain = MakeTemplate(WS_POPUP);
    TestDialog noCancel(plain.Get());
    ASSERT_TRUE(noCancel.Create());
    MSG escape = {noCancel.GetDlgItem(kEditId), WM_KEYDOWN, VK_ESCAPE, 0, 0, {0, 0}};
    MSG other = escape;
    other.wParam = 'A';
    MSG escapeUp = escape;
    escapeUp.message = WM_KEYUP;
    EXPECT_TRUE(ui::SwallowsEscape(noCancel.m_hWnd, escape));
    EXPECT_FALSE(ui::SwallowsEscape(noCancel.m_hWnd, other));
    EXPECT_FALSE(ui::SwallowsEscape(noCancel.m_hWnd, escapeUp));

    DialogTemplate withCancel = MakeTemplate(WS_POPUP);
    withCancel.AddControl("BUTTON", WS_VISIBLE | BS_PUSHBUTTON, 5, 120, 50, 14, IDCANCEL, "Cancel");
    TestDialog cancelDialog(withCancel.Get());
    ASSERT_TRUE(cancelDialog.Create());
    escape.hwnd = cancelDialog.GetDlgItem(kEditId);
    EXPECT_TRUE(ui::SwallowsEscape(cancelDialog.m_hWnd, escape));
    ::EnableWindow(cancelDialog.GetDlgItem(IDCANCEL), FALSE);
    EXPECT_FALSE(ui::SwallowsEscape(cancelDialog.m_hWnd, escape));
    cancelDialog.DestroyWindow();
    noCancel.DestroyWindow();
}

// The reusable filter in a modal run: Escape neither ends the run nor reaches the dialog's Cancel.
TEST_F(DialogFramework, FilteredModalDialogIgnoresEscape) {
    struct Filtered : EscapeFiltered<TestDialog> {
        using EscapeFiltered<TestDialog>::EscapeFiltered;
        int cancels = 0;
        void OnCancel() override { ++cancels; }
        BOOL OnInitDialog() override {
            TestDialog::OnInitDialog();
            ::PostMessageA(GetDlgItem(kEditId), WM_KEYDOWN, VK_ESCAPE, 0);
            PostMessage(WM_COMMAND, kEnd, 0);
            return TRUE;
        }
    };
    struct Unfiltered : Filtered {
        using Filtered::Filtered;
        BOOL PreTranslateMessage(MSG* msg) override { return TestDialog::PreTranslateMessage(msg); }
    };
    DialogTemplate t = MakeTemplate(WS_POPUP | WS_CAPTION);
    Filtered filtered(t.Get());
    EXPECT_EQ(filtered.DoModal(), 42);
    EXPECT_EQ(filtered.cancels, 0);
    // Without the filter the dialog manager turns the same key into the Cancel command.
    Unfiltered unfiltered(t.Get());
    EXPECT_EQ(unfiltered.DoModal(), 42);
    EXPECT_EQ(unfiltered.cancels, 1);
}

// Tab walks one order through the main dialog and the controls of the child dialogs inside it (a page
// container holding pages), skipping hidden pages, and comes back to the main dialog's first control.
TEST_F(DialogFramework, TabMovesThroughNestedChildDialogsAndBack) {
    constexpr int kFirst = 200, kLast = 201, kPageEdit1 = 210, kPageEdit2 = 211, kHiddenEdit = 220;
    DialogTemplate mainTemplate(WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_VISIBLE, 0, 10, 10, 260, 160, "Main");
    mainTemplate.AddControl("BUTTON", WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON, 5, 5, 50, 14, kFirst, "First");
    mainTemplate.AddControl("BUTTON", WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON, 60, 5, 50, 14, kLast, "Last");
    DialogTemplate containerTemplate(WS_CHILD | WS_VISIBLE, 0, 5, 25, 240, 120);
    DialogTemplate pageTemplate(WS_CHILD | WS_VISIBLE, 0, 0, 0, 200, 100);
    pageTemplate.AddControl("EDIT", WS_VISIBLE | WS_BORDER | WS_TABSTOP, 5, 5, 80, 12, kPageEdit1);
    pageTemplate.AddControl("EDIT", WS_VISIBLE | WS_BORDER | WS_TABSTOP, 5, 25, 80, 12, kPageEdit2);
    DialogTemplate hiddenTemplate(WS_CHILD, 0, 0, 0, 200, 100);
    hiddenTemplate.AddControl("EDIT", WS_VISIBLE | WS_BORDER | WS_TABSTOP, 5, 5, 80, 12, kHiddenEdit);

    // The pages swallow Escape as the program's pages do; Tab must still get through them.
    using Page = EscapeFiltered<CDialog>;
    CDialog main(mainTemplate.Get());
    ASSERT_TRUE(main.Create());
    CDialog container(containerTemplate.Get());
    ASSERT_TRUE(container.Create(&main));
    Page page(pageTemplate.Get());
    ASSERT_TRUE(page.Create(&container));
    Page hidden(hiddenTemplate.Get());
    ASSERT_TRUE(hidden.Create(&container));
    EXPECT_NE(container.GetExStyle() & WS_EX_CONTROLPARENT, 0u);
    EXPECT_NE(page.GetExStyle() & WS_EX_CONTROLPARENT, 0u);

    ::SetForegroundWindow(main.m_hWnd);
    ::SetFocus(main.GetDlgItem(kFirst));
    ASSERT_EQ(::GetFocus(), main.GetDlgItem(kFirst));
    auto pressTab = [] {
        ::PostMessageA(::GetFocus(), WM_KEYDOWN, VK_TAB, 0);
        MSG msg;
        while (::PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            if (!ui::PreTranslateThroughParents(&msg)) {
                ::TranslateMessage(&msg);
                ::DispatchMessageA(&msg);
            }
        }
        return ::GetFocus();
    };
    EXPECT_EQ(pressTab(), main.GetDlgItem(kLast));
    EXPECT_EQ(pressTab(), page.GetDlgItem(kPageEdit1)) << "into the page inside the container";
    EXPECT_EQ(pressTab(), page.GetDlgItem(kPageEdit2));
    EXPECT_EQ(pressTab(), main.GetDlgItem(kFirst)) << "out of the page, past the hidden one";

    // Escape in a page is still swallowed there.
    MSG escape = {page.GetDlgItem(kPageEdit1), WM_KEYDOWN, VK_ESCAPE, 0, 0, {0, 0}};
    EXPECT_TRUE(ui::PreTranslateThroughParents(&escape));
    main.DestroyWindow();
}

} // namespace
