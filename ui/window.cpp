#include "ui/window.h"

#include "ui/message_frame.h"

#include <atomic>
#include <unordered_map>
#include <vector>

namespace {

// The window property that leads from a handle to its object.
const char kObjectProperty[] = "Palisor.Object";

// Reading a window property is a round trip to the window server under Wine (a good part of a
// millisecond on a busy machine), and every message to one of our windows needs its object. So each
// thread keeps the objects it has looked up, and forgets them all whenever any window of the process
// is bound or unbound: the property is changed first and the generation counted up after, so a
// lookup that read the generation before the change finds its answer dropped at the next call.
std::atomic<unsigned long> g_bindingGeneration{0};

struct ObjectCache {
    unsigned long generation = 0;
    bool filled = false;
    std::unordered_map<HWND, CWnd*> objects;
};
thread_local ObjectCache t_objects;
constexpr size_t kMostCachedObjects = 4096;

CWnd* ObjectFromProperty(HWND hwnd) {
    // A window of another process may carry the same property; its value means nothing here.
    DWORD process = 0;
    ::GetWindowThreadProcessId(hwnd, &process);
    if (process != ::GetCurrentProcessId())
        return nullptr;
    return static_cast<CWnd*>(::GetPropA(hwnd, kObjectProperty));
}
const char kPlainClassName[] = "PalisorWindow";

// The object whose window is being created on this thread, bound by the creation hook.
thread_local CWnd* t_creating = nullptr;
thread_local HHOOK t_creationHook = nullptr;

void RegisterPlainClass() {
    static bool registered = false;
    if (registered)
        return;
    WNDCLASSEXA wc = {};
    wc.cbSize = sizeof(wc);
    wc.style = CS_DBLCLKS;
    // The creation hook replaces this procedure with the framework's before the first message.
    wc.lpfnWndProc = ::DefWindowProcA;
    wc.hInstance = ::GetModuleHandleA(nullptr);
    wc.hCursor = ::LoadCursor(nullptr, IDC_ARROW);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    wc.lpszClassName = kPlainClassName;
    registered = ::RegisterClassExA(&wc) != 0 || ::GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
}

} // namespace

namespace ui {

namespace detail {

MessageFrame*& CurrentFrame() {
    thread_local MessageFrame* current = nullptr;
    return current;
}

MessageFrame* FrameOf(HWND hwnd) {
    for (MessageFrame* frame = CurrentFrame(); frame != nullptr; frame = frame->outer)
        if (frame->hwnd == hwnd)
            return frame;
    return nullptr;
}

} // namespace detail

bool EntryMatches(const MessageEntry& entry, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (entry.kind) {
    case MessageKind::Message:
        return entry.message == message;
    case MessageKind::Command: {
        if (message != WM_COMMAND)
            return false;
        UINT code = HIWORD(wParam), id = LOWORD(wParam);
        // Code 1 is an accelerator only without a control; from a control it is a notification
        // (CBN_SELCHANGE, for one).
        bool command = code == 0 || (code == 1 && lParam == 0);
        return command && id >= entry.firstId && id <= entry.lastId;
    }
    case MessageKind::Control: {
        if (message != WM_COMMAND)
            return false;
        UINT code = HIWORD(wParam), id = LOWORD(wParam);
        return code == entry.code && id >= entry.firstId && id <= entry.lastId;
    }
    case MessageKind::Notify: {
        if (message != WM_NOTIFY || lParam == 0)
            return false;
        const NMHDR* header = reinterpret_cast<const NMHDR*>(lParam);
        return header->code == entry.code && header->idFrom >= entry.firstId &&
               header->idFrom <= entry.lastId;
    }
    case MessageKind::ReflectedNotify:
        return message == kReflectBase + WM_NOTIFY && lParam != 0 &&
               reinterpret_cast<const NMHDR*>(lParam)->code == entry.code;
    case MessageKind::ReflectedCommand:
        return message == kReflectBase + WM_COMMAND && HIWORD(wParam) == entry.code;
    case MessageKind::End:
        break;
    }
    return false;
}

} // namespace ui

CWnd::~CWnd() {
    // An object that goes away before its window leaves the window to the system's procedures.
    if (m_hWnd != nullptr) {
        if (m_superProc != nullptr)
            UnsubclassWindow();
        else
            Detach();
    }
}

const ::ui::MessageTable* CWnd::GetThisMessageTable() {
    static const ::ui::MessageEntry entries[] = {{::ui::MessageKind::End, 0, 0, 0, 0, nullptr}};
    static const ::ui::MessageTable table = {nullptr, entries};
    return &table;
}

const ::ui::MessageTable* CWnd::GetMessageTable() const {
    return GetThisMessageTable();
}

CWnd* CWnd::FromHandle(HWND hwnd) {
    if (hwnd == nullptr)
        return nullptr;
    const unsigned long generation = g_bindingGeneration.load(std::memory_order_acquire);
    ObjectCache& cache = t_objects;
    if (!cache.filled || cache.generation != generation || cache.objects.size() >= kMostCachedObjects) {
        cache.objects.clear();
        cache.generation = generation;
        cache.filled = true;
    }
    auto found = cache.objects.find(hwnd);
    if (found != cache.objects.end())
        return found->second;
    CWnd* object = ObjectFromProperty(hwnd);
    cache.objects.emplace(hwnd, object);
    return object;
}

void CWnd::BindHandle(HWND hwnd) {
    m_hWnd = hwnd;
    ::SetPropA(hwnd, kObjectProperty, this);
    g_bindingGeneration.fetch_add(1, std::memory_order_release);
}

void CWnd::UnbindHandle() {
    if (m_hWnd == nullptr)
        return;
    if (::GetPropA(m_hWnd, kObjectProperty) == this)
        ::RemovePropA(m_hWnd, kObjectProperty);
    // Also when the window went without us (its property with it): no thread may keep the object.
    g_bindingGeneration.fetch_add(1, std::memory_order_release);
    m_hWnd = nullptr;
}

BOOL CWnd::Attach(HWND hwnd) {
    if (hwnd == nullptr || m_hWnd != nullptr || FromHandle(hwnd) != nullptr)
        return FALSE;
    BindHandle(hwnd);
    return TRUE;
}

HWND CWnd::Detach() {
    HWND hwnd = m_hWnd;
    UnbindHandle();
    return hwnd;
}

BOOL CWnd::SubclassWindow(HWND hwnd) {
    if (!Attach(hwnd))
        return FALSE;
    PreSubclassWindow();
    WNDPROC previous = reinterpret_cast<WNDPROC>(
        ::SetWindowLongPtrA(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&CWnd::StandardWindowProc)));
    if (previous == nullptr) {
        Detach();
        return FALSE;
    }
    if (previous != &CWnd::StandardWindowProc)
        m_superProc = previous;
    return TRUE;
}

BOOL CWnd::SubclassDlgItem(UINT id, CWnd* parent) {
    if (parent == nullptr)
        return FALSE;
    HWND item = ::GetDlgItem(parent->m_hWnd, static_cast<int>(id));
    return item != nullptr && SubclassWindow(item);
}

HWND CWnd::UnsubclassWindow() {
    if (m_hWnd == nullptr)
        return nullptr;
    if (m_superProc != nullptr)
        ::SetWindowLongPtrA(m_hWnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(m_superProc));
    m_superProc = nullptr;
    return Detach();
}

LRESULT CALLBACK CWnd::CreationHook(int code, WPARAM wParam, LPARAM lParam) {
    HHOOK hook = t_creationHook;
    if (code == HCBT_CREATEWND && t_creating != nullptr) {
        CWnd* window = t_creating;
        t_creating = nullptr;
        HWND hwnd = reinterpret_cast<HWND>(wParam);
        window->BindHandle(hwnd);
        WNDPROC previous = reinterpret_cast<WNDPROC>(
            ::SetWindowLongPtrA(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&CWnd::StandardWindowProc)));
        // The framework's own window class has the system's default procedure; nothing to chain to then.
        window->m_superProc = previous == ::DefWindowProcA ? nullptr : previous;
    }
    return ::CallNextHookEx(hook, code, wParam, lParam);
}

BOOL CWnd::CreateEx(DWORD exStyle, LPCSTR className, LPCSTR windowName, DWORD style, int x, int y, int width,
                    int height, HWND parent, HMENU menuOrId, LPVOID param) {
    if (m_hWnd != nullptr)
        return FALSE;
    if (className == nullptr) {
        RegisterPlainClass();
        className = kPlainClassName;
    }
    // Windows created from inside a creation (a WM_CREATE handler) get hooks of their own.
    CWnd* outerCreating = t_creating;
    HHOOK outerHook = t_creationHook;
    t_creating = this;
    t_creationHook = ::SetWindowsHookExA(WH_CBT, &CWnd::CreationHook, nullptr, ::GetCurrentThreadId());
    if (t_creationHook == nullptr) {
        t_creating = outerCreating;
        t_creationHook = outerHook;
        return FALSE;
    }
    HWND hwnd = ::CreateWindowExA(exStyle, className, windowName, style, x, y, width, height, parent,
                                  menuOrId, ::GetModuleHandleA(nullptr), param);
    ::UnhookWindowsHookEx(t_creationHook);
    bool bound = t_creating == nullptr;
    t_creating = outerCreating;
    t_creationHook = outerHook;
    if (hwnd == nullptr) {
        // A window that failed in WM_CREATE has been destroyed and unbound already.
        if (bound && m_hWnd != nullptr)
            UnsubclassWindow();
        return FALSE;
    }
    return m_hWnd == hwnd;
}

BOOL CWnd::Create(LPCSTR className, LPCSTR windowName, DWORD style, const RECT& rect, CWnd* parent, UINT id,
                  LPVOID param) {
    return CreateEx(0, className, windowName, style | WS_CHILD, rect.left, rect.top, rect.right - rect.left,
                    rect.bottom - rect.top, parent ? parent->m_hWnd : nullptr,
                    reinterpret_cast<HMENU>(static_cast<UINT_PTR>(id)), param);
}

BOOL CWnd::CreatePopup(LPCSTR windowName, DWORD exStyle) {
    return CreateEx(exStyle, nullptr, windowName, WS_POPUP, 0, 0, 0, 0, nullptr, nullptr);
}

BOOL CWnd::DestroyWindow() {
    if (m_hWnd == nullptr)
        return FALSE;
    return ::DestroyWindow(m_hWnd);
}

LRESULT CALLBACK CWnd::StandardWindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    CWnd* window = FromHandle(hwnd);
    if (window == nullptr)
        return ::DefWindowProcA(hwnd, message, wParam, lParam);
    LRESULT result;
    {
        ::ui::detail::FrameScope scope(hwnd, message, wParam, lParam);
        result = window->WindowProc(message, wParam, lParam);
    }
    // Only after the last message is the object touched again: a handler may have deleted it.
    if (message == WM_NCDESTROY)
        window->FinishDestroy();
    return result;
}

void CWnd::FinishDestroy() {
    if (m_superProc != nullptr)
        ::SetWindowLongPtrA(m_hWnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(m_superProc));
    m_superProc = nullptr;
    UnbindHandle();
    PostNcDestroy();
}

LRESULT CWnd::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    LRESULT result = 0;
    if (OnWndMsg(message, wParam, lParam, &result))
        return result;
    return DefWindowProc(message, wParam, lParam);
}

LRESULT CWnd::DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    if (m_superProc != nullptr)
        return ::CallWindowProcA(m_superProc, m_hWnd, message, wParam, lParam);
    return ::DefWindowProcA(m_hWnd, message, wParam, lParam);
}

LRESULT CWnd::Default() {
    ::ui::detail::MessageFrame* frame = ::ui::detail::FrameOf(m_hWnd);
    if (frame == nullptr)
        return 0;
    return DefWindowProc(frame->message, frame->wParam, frame->lParam);
}

namespace {

// The control that sent a notification, when it is one of ours.
CWnd* NotifyingChild(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_NOTIFY:
        return lParam != 0 ? CWnd::FromHandle(reinterpret_cast<const NMHDR*>(lParam)->hwndFrom) : nullptr;
    case WM_COMMAND:
        return lParam != 0 ? CWnd::FromHandle(reinterpret_cast<HWND>(lParam)) : nullptr;
    case WM_DRAWITEM: {
        const DRAWITEMSTRUCT* item = reinterpret_cast<const DRAWITEMSTRUCT*>(lParam);
        return item != nullptr && item->CtlType != ODT_MENU ? CWnd::FromHandle(item->hwndItem) : nullptr;
    }
    default:
        (void)wParam;
        return nullptr;
    }
}

} // namespace

bool CWnd::OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result) {
    CWnd* child = NotifyingChild(message, wParam, lParam);
    if (child != nullptr && child != this && child->OnChildNotify(message, wParam, lParam, result))
        return true;
    ::ui::MessageContext context = {message, wParam, lParam, 0};
    for (const ::ui::MessageTable* table = GetMessageTable(); table != nullptr;
         table = table->base ? table->base() : nullptr) {
        for (const ::ui::MessageEntry* entry = table->entries; entry->kind != ::ui::MessageKind::End;
             ++entry) {
            if (!::ui::EntryMatches(*entry, message, wParam, lParam))
                continue;
            context.result = 0;
            if (entry->handler(this, context)) {
                *result = context.result;
                return true;
            }
        }
    }
    return false;
}

bool CWnd::OnChildNotify(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result) {
    return OnWndMsg(::ui::kReflectBase + message, wParam, lParam, result);
}

BOOL CWnd::PreTranslateMessage(MSG*) {
    return FALSE;
}

void CWnd::ScreenToClient(RECT* rect) const {
    ::MapWindowPoints(nullptr, m_hWnd, reinterpret_cast<POINT*>(rect), 2);
}

void CWnd::ClientToScreen(RECT* rect) const {
    ::MapWindowPoints(m_hWnd, nullptr, reinterpret_cast<POINT*>(rect), 2);
}

std::string CWnd::GetWindowText() const {
    int length = ::GetWindowTextLengthA(m_hWnd);
    std::vector<char> buffer(static_cast<size_t>(length > 0 ? length : 0) + 1, '\0');
    int copied = ::GetWindowTextA(m_hWnd, buffer.data(), static_cast<int>(buffer.size()));
    return std::string(buffer.data(), static_cast<size_t>(copied > 0 ? copied : 0));
}

std::string CWnd::GetDlgItemText(int id) const {
    HWND item = ::GetDlgItem(m_hWnd, id);
    if (item == nullptr)
        return std::string();
    int length = ::GetWindowTextLengthA(item);
    std::vector<char> buffer(static_cast<size_t>(length > 0 ? length : 0) + 1, '\0');
    int copied = ::GetWindowTextA(item, buffer.data(), static_cast<int>(buffer.size()));
    return std::string(buffer.data(), static_cast<size_t>(copied > 0 ? copied : 0));
}

BOOL CWnd::ModifyStyle(DWORD remove, DWORD add, UINT swpFlags) const {
    DWORD style = GetStyle();
    DWORD changed = (style & ~remove) | add;
    if (changed == style)
        return FALSE;
    ::SetWindowLongPtrA(m_hWnd, GWL_STYLE, static_cast<LONG_PTR>(changed));
    if (swpFlags != 0)
        ::SetWindowPos(m_hWnd, nullptr, 0, 0, 0, 0,
                       SWP_NOSIZE | SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE | swpFlags);
    return TRUE;
}
