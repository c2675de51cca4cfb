// The accessible object of the program's own controls. The accessibility
// runtime (oleacc) and the automation strings (oleaut32) are loaded from the
// system folder when a reader first asks, so that a mouse-only session never
// loads them and the program imports nothing beyond its start-up DLLs.
#include "ui/ovraAccessible.h"

#include "platform/ovraSystemDll.h"

#include <vector>

namespace ovra {

namespace {

// Interface ids, spelled out here so that no GUID library is needed.
const IID kIidUnknown = {0x00000000, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
const IID kIidDispatch = {0x00020400, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
const IID kIidAccessible = {0x618736E0, 0x3C3D, 0x11CF, {0x81, 0x0C, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71}};

using LresultFromObjectFn = LRESULT(WINAPI*)(REFIID, WPARAM, LPUNKNOWN);
using CreateStdAccessibleObjectFn = HRESULT(WINAPI*)(HWND, LONG, REFIID, void**);
using SysAllocStringLenFn = BSTR(WINAPI*)(const OLECHAR*, UINT);
using CoInitializeExFn = HRESULT(WINAPI*)(LPVOID, DWORD);

BSTR MakeBstr(const std::string& text)
{
    static const auto alloc = SystemDll::Function<SysAllocStringLenFn>("oleaut32.dll", "SysAllocStringLen");
    if (!alloc)
        return nullptr;
    // Texts are in the system code page, as everywhere in the program.
    const int length = MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    std::vector<wchar_t> wide(static_cast<size_t>(length) + 1);
    MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), wide.data(), length);
    return alloc(wide.data(), static_cast<UINT>(length));
}

// VariantInit without importing oleaut32 at start.
void Empty(VARIANT* out)
{
    const VARIANT empty = {};
    *out = empty;
}

void SetLong(VARIANT* out, LONG value)
{
    Empty(out);
    V_VT(out) = VT_I4;
    V_I4(out) = value;
}

} // namespace

LRESULT Accessible::Answer(HWND hwnd, WPARAM wParam, LPARAM lParam)
{
    if (static_cast<LONG>(lParam) != static_cast<LONG>(OBJID_CLIENT))
        return DefWindowProcA(hwnd, WM_GETOBJECT, wParam, lParam);
    static const auto lresult = SystemDll::Function<LresultFromObjectFn>("oleacc.dll", "LresultFromObject");
    if (!lresult)
        return DefWindowProcA(hwnd, WM_GETOBJECT, wParam, lParam);
    // The object is handed over through COM, which this thread needs then:
    // joined once, for the rest of the program's life. An apartment of
    // another kind already there serves as well.
    static const auto init = SystemDll::Function<CoInitializeExFn>("ole32.dll", "CoInitializeEx");
    static const HRESULT joined = init ? init(nullptr, COINIT_APARTMENTTHREADED) : E_FAIL;
    (void)joined;
    Accessible* object = new Accessible(hwnd);
    const LRESULT result = lresult(kIidAccessible, wParam, static_cast<IAccessible*>(object));
    object->Release(); // the runtime holds its own reference now
    return result;
}

void Accessible::Notify(DWORD event, HWND hwnd, LONG child)
{
    NotifyWinEvent(event, hwnd, OBJID_CLIENT, child);
}

void Accessible::FocusChanged(HWND hwnd, UINT msg, LONG child)
{
    InvalidateRect(hwnd, nullptr, FALSE);
    if (msg == WM_SETFOCUS)
        Notify(EVENT_OBJECT_FOCUS, hwnd, child);
}

Accessible::Accessible(HWND hwnd) : m_nRefs(1), m_hWndControl(hwnd)
{
}

HRESULT Accessible::QueryInterface(REFIID riid, void** ppv)
{
    if (!ppv)
        return E_POINTER;
    if (IsEqualIID(riid, kIidUnknown) || IsEqualIID(riid, kIidDispatch) || IsEqualIID(riid, kIidAccessible)) {
        *ppv = static_cast<IAccessible*>(this);
        AddRef();
        return S_OK;
    }
    *ppv = nullptr;
    return E_NOINTERFACE;
}

ULONG Accessible::AddRef()
{
    return static_cast<ULONG>(InterlockedIncrement(&m_nRefs));
}

ULONG Accessible::Release()
{
    const LONG refs = InterlockedDecrement(&m_nRefs);
    if (refs == 0)
        delete this;
    return static_cast<ULONG>(refs);
}

HRESULT Accessible::GetTypeInfoCount(UINT* count)
{
    if (!count)
        return E_POINTER;
    *count = 0;
    return S_OK;
}

HRESULT Accessible::GetTypeInfo(UINT, LCID, ITypeInfo** info)
{
    if (info)
        *info = nullptr;
    return E_NOTIMPL;
}

HRESULT Accessible::GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*)
{
    return E_NOTIMPL;
}

HRESULT Accessible::Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*)
{
    return E_NOTIMPL;
}

HRESULT Accessible::Query(const VARIANT& child, Item& item) const
{
    if (!IsWindow(m_hWndControl))
        return RPC_E_DISCONNECTED;
    if (V_VT(&child) != VT_I4 || V_I4(&child) < 0)
        return E_INVALIDARG;
    const WPARAM id = static_cast<WPARAM>(V_I4(&child));
    if (!SendMessageA(m_hWndControl, kQueryItem, id, reinterpret_cast<LPARAM>(&item)))
        return E_INVALIDARG;
    return S_OK;
}

HRESULT Accessible::Text(const VARIANT& child, std::string Item::*field, BSTR* out) const
{
    if (!out)
        return E_POINTER;
    *out = nullptr;
    Item item;
    const HRESULT hr = Query(child, item);
    if (FAILED(hr))
        return hr;
    if ((item.*field).empty())
        return S_FALSE;
    *out = MakeBstr(item.*field);
    return *out ? S_OK : E_OUTOFMEMORY;
}

HRESULT Accessible::get_accParent(IDispatch** parent)
{
    if (!parent)
        return E_POINTER;
    *parent = nullptr;
    static const auto create =
        SystemDll::Function<CreateStdAccessibleObjectFn>("oleacc.dll", "CreateStdAccessibleObject");
    if (!create || !IsWindow(m_hWndControl))
        return S_FALSE;
    // The window around the client area, as the system describes it.
    return create(m_hWndControl, OBJID_WINDOW, kIidDispatch, reinterpret_cast<void**>(parent));
}

HRESULT Accessible::get_accChildCount(long* count)
{
    if (!count)
        return E_POINTER;
    VARIANT self;
    SetLong(&self, CHILDID_SELF);
    Item item;
    const HRESULT hr = Query(self, item);
    *count = SUCCEEDED(hr) ? item.nChildren : 0;
    return hr;
}

HRESULT Accessible::get_accChild(VARIANT child, IDispatch** dispatch)
{
    if (!dispatch)
        return E_POINTER;
    *dispatch = nullptr;
    Item item;
    const HRESULT hr = Query(child, item);
    // Items are simple elements of this object, without objects of their own.
    return FAILED(hr) ? hr : S_FALSE;
}

HRESULT Accessible::get_accName(VARIANT child, BSTR* name)
{
    return Text(child, &Item::strName, name);
}

HRESULT Accessible::get_accValue(VARIANT child, BSTR* value)
{
    return Text(child, &Item::strValue, value);
}

HRESULT Accessible::get_accDescription(VARIANT child, BSTR* description)
{
    return Text(child, &Item::strDescription, description);
}

HRESULT Accessible::Number(const VARIANT& child, LONG Item::*field, VARIANT* out) const
{
    if (!out)
        return E_POINTER;
    Empty(out);
    Item item;
    const HRESULT hr = Query(child, item);
    if (SUCCEEDED(hr))
        SetLong(out, item.*field);
    return hr;
}

HRESULT Accessible::get_accRole(VARIANT child, VARIANT* role)
{
    return Number(child, &Item::nRole, role);
}

HRESULT Accessible::get_accState(VARIANT child, VARIANT* state)
{
    return Number(child, &Item::nState, state);
}

HRESULT Accessible::get_accHelp(VARIANT, BSTR* help)
{
    if (help)
        *help = nullptr;
    return S_FALSE;
}

HRESULT Accessible::get_accHelpTopic(BSTR* file, VARIANT, long* topic)
{
    if (file)
        *file = nullptr;
    if (topic)
        *topic = 0;
    return S_FALSE;
}

HRESULT Accessible::get_accKeyboardShortcut(VARIANT, BSTR* shortcut)
{
    if (shortcut)
        *shortcut = nullptr;
    return S_FALSE;
}

HRESULT Accessible::get_accFocus(VARIANT* child)
{
    if (!child)
        return E_POINTER;
    Empty(child);
    if (!IsWindow(m_hWndControl))
        return RPC_E_DISCONNECTED;
    if (GetFocus() != m_hWndControl)
        return S_FALSE; // VT_EMPTY: neither the control nor one of its items
    VARIANT self;
    SetLong(&self, CHILDID_SELF);
    Item item;
    const HRESULT hr = Query(self, item);
    if (SUCCEEDED(hr))
        SetLong(child, item.nFocus);
    return hr;
}

HRESULT Accessible::get_accSelection(VARIANT* children)
{
    if (!children)
        return E_POINTER;
    Empty(children);
    // The lists select one item at most: the one with the focus mark.
    VARIANT self;
    SetLong(&self, CHILDID_SELF);
    Item item;
    const HRESULT hr = Query(self, item);
    if (FAILED(hr))
        return hr;
    if (item.nFocus == 0)
        return S_FALSE;
    SetLong(children, item.nFocus);
    return S_OK;
}

HRESULT Accessible::get_accDefaultAction(VARIANT child, BSTR* action)
{
    return Text(child, &Item::strAction, action);
}

HRESULT Accessible::accSelect(long, VARIANT)
{
    return DISP_E_MEMBERNOTFOUND;
}

HRESULT Accessible::accLocation(long* left, long* top, long* width, long* height, VARIANT child)
{
    if (!left || !top || !width || !height)
        return E_POINTER;
    Item item;
    const HRESULT hr = Query(child, item);
    if (FAILED(hr))
        return hr;
    POINT corner = {item.rcBounds.left, item.rcBounds.top};
    ClientToScreen(m_hWndControl, &corner);
    *left = corner.x;
    *top = corner.y;
    *width = item.rcBounds.right - item.rcBounds.left;
    *height = item.rcBounds.bottom - item.rcBounds.top;
    return S_OK;
}

HRESULT Accessible::accNavigate(long direction, VARIANT start, VARIANT* end)
{
    if (!end)
        return E_POINTER;
    Empty(end);
    VARIANT self;
    SetLong(&self, CHILDID_SELF);
    Item control;
    HRESULT hr = Query(self, control);
    if (FAILED(hr))
        return hr;
    Item from;
    hr = Query(start, from);
    if (FAILED(hr))
        return hr;
    const LONG at = V_I4(&start);
    LONG to = 0;
    if (at == CHILDID_SELF) {
        // From the control only into its items; its siblings are the
        // window's business.
        if (direction == NAVDIR_FIRSTCHILD)
            to = 1;
        else if (direction == NAVDIR_LASTCHILD)
            to = control.nChildren;
    } else if (direction == NAVDIR_NEXT || direction == NAVDIR_DOWN) {
        to = at + 1;
    } else if (direction == NAVDIR_PREVIOUS || direction == NAVDIR_UP) {
        to = at - 1;
    }
    if (to < 1 || to > control.nChildren)
        return S_FALSE;
    SetLong(end, to);
    return S_OK;
}

HRESULT Accessible::accHitTest(long x, long y, VARIANT* child)
{
    if (!child)
        return E_POINTER;
    Empty(child);
    if (!IsWindow(m_hWndControl))
        return RPC_E_DISCONNECTED;
    POINT pt = {x, y};
    ScreenToClient(m_hWndControl, &pt);
    RECT client;
    GetClientRect(m_hWndControl, &client);
    if (!PtInRect(&client, pt))
        return S_FALSE;
    SetLong(child, static_cast<LONG>(SendMessageA(m_hWndControl, kHitTest, 0, reinterpret_cast<LPARAM>(&pt))));
    return S_OK;
}

HRESULT Accessible::accDoDefaultAction(VARIANT child)
{
    Item item;
    const HRESULT hr = Query(child, item);
    if (FAILED(hr))
        return hr;
    if (item.strAction.empty())
        return DISP_E_MEMBERNOTFOUND;
    // The reader's call returns before the action runs: an action that asks
    // a question would otherwise hold the reader inside its own call, in
    // front of a box it cannot read. The control acts when the message
    // arrives, on the item as it stands then.
    if (!PostMessageA(m_hWndControl, kDoDefault, static_cast<WPARAM>(V_I4(&child)), 0))
        return E_FAIL;
    return S_OK;
}

HRESULT Accessible::put_accName(VARIANT, BSTR)
{
    return E_NOTIMPL;
}

HRESULT Accessible::put_accValue(VARIANT, BSTR)
{
    return E_NOTIMPL;
}

} // namespace ovra
