#pragma once

// What a screen reader learns about one of the program's own controls: a
// small IAccessible object that asks the control's window, through the
// private messages below, for the name, role and state of the control and of
// each of its items. The object holds only the window handle, so a reader
// that keeps it after the window is gone gets an error, never freed memory.
#include <windows.h>
#include <ole2.h>
#include <oleacc.h>

#include <string>

namespace ovra {

class Accessible final : public IAccessible {
public:
    // One element as the control describes it; child 0 is the control itself.
    struct Item {
        std::string strName;
        std::string strDescription;
        std::string strValue;
        std::string strAction; // default action; empty when there is none
        LONG nRole = 0;
        LONG nState = 0;
        RECT rcBounds = {0, 0, 0, 0}; // client coordinates
        LONG nChildren = 0;           // child 0 only: the number of items
        LONG nFocus = 0;              // child 0 only: the item with the focus mark, 0 for none
    };

    // wParam the child id, lParam an Item to fill; TRUE when the child exists.
    static const UINT kQueryItem = WM_APP + 0x60;
    // lParam a POINT in client coordinates; the child id there, 0 for the
    // control itself.
    static const UINT kHitTest = WM_APP + 0x61;
    // wParam the child id; the control does what a click there would do.
    // Posted, never sent: the reader does not wait for the action.
    static const UINT kDoDefault = WM_APP + 0x62;

    // The answer to WM_GETOBJECT for a control's window: an object for the
    // client area, the default handling for every other object id.
    static LRESULT Answer(HWND hwnd, WPARAM wParam, LPARAM lParam);
    // Tells listening readers that something about a child changed.
    static void Notify(DWORD event, HWND hwnd, LONG child);
    // For WM_SETFOCUS, WM_KILLFOCUS and WM_UPDATEUISTATE of a control that
    // draws a focus mark: repaints it, and on gaining the focus tells readers
    // which child has it. The default handling is still due after it.
    static void FocusChanged(HWND hwnd, UINT msg, LONG child);

    explicit Accessible(HWND hwnd);
    Accessible(const Accessible&) = delete;
    Accessible& operator=(const Accessible&) = delete;

    // IUnknown
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override;
    ULONG STDMETHODCALLTYPE AddRef() override;
    ULONG STDMETHODCALLTYPE Release() override;
    // IDispatch: not offered; readers use the IAccessible methods directly.
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override;
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo** info) override;
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override;
    HRESULT STDMETHODCALLTYPE Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*) override;
    // IAccessible
    HRESULT STDMETHODCALLTYPE get_accParent(IDispatch** parent) override;
    HRESULT STDMETHODCALLTYPE get_accChildCount(long* count) override;
    HRESULT STDMETHODCALLTYPE get_accChild(VARIANT child, IDispatch** dispatch) override;
    HRESULT STDMETHODCALLTYPE get_accName(VARIANT child, BSTR* name) override;
    HRESULT STDMETHODCALLTYPE get_accValue(VARIANT child, BSTR* value) override;
    HRESULT STDMETHODCALLTYPE get_accDescription(VARIANT child, BSTR* description) override;
    HRESULT STDMETHODCALLTYPE get_accRole(VARIANT child, VARIANT* role) override;
    HRESULT STDMETHODCALLTYPE get_accState(VARIANT child, VARIANT* state) override;
    HRESULT STDMETHODCALLTYPE get_accHelp(VARIANT child, BSTR* help) override;
    HRESULT STDMETHODCALLTYPE get_accHelpTopic(BSTR* file, VARIANT child, long* topic) override;
    HRESULT STDMETHODCALLTYPE get_accKeyboardShortcut(VARIANT child, BSTR* shortcut) override;
    HRESULT STDMETHODCALLTYPE get_accFocus(VARIANT* child) override;
    HRESULT STDMETHODCALLTYPE get_accSelection(VARIANT* children) override;
    HRESULT STDMETHODCALLTYPE get_accDefaultAction(VARIANT child, BSTR* action) override;
    HRESULT STDMETHODCALLTYPE accSelect(long flags, VARIANT child) override;
    HRESULT STDMETHODCALLTYPE accLocation(long* left, long* top, long* width, long* height, VARIANT child) override;
    HRESULT STDMETHODCALLTYPE accNavigate(long direction, VARIANT start, VARIANT* end) override;
    HRESULT STDMETHODCALLTYPE accHitTest(long x, long y, VARIANT* child) override;
    HRESULT STDMETHODCALLTYPE accDoDefaultAction(VARIANT child) override;
    HRESULT STDMETHODCALLTYPE put_accName(VARIANT child, BSTR name) override;
    HRESULT STDMETHODCALLTYPE put_accValue(VARIANT child, BSTR value) override;

private:
    ~Accessible() = default;
    // Fills item for the child the variant names; an error when the window is
    // gone or the child does not exist.
    HRESULT Query(const VARIANT& child, Item& item) const;
    HRESULT Text(const VARIANT& child, std::string Item::*field, BSTR* out) const;
    HRESULT Number(const VARIANT& child, LONG Item::*field, VARIANT* out) const;

    LONG m_nRefs;
    HWND m_hWndControl;
};

} // namespace ovra
