#pragma once

namespace ovra {

// On 64-bit Windows a path in the registry may have been written by a 32-bit
// or a 64-bit program, and the two read some folders differently: a 32-bit
// program's System32 is SysWOW64, and its %ProgramFiles% is "Program Files
// (x86)". Many keys hold entries of both kinds. A path is therefore missing
// only when it is missing in every view its entry may have been written for:
// as written, with the system folder read both ways, and with the program
// folders of an expanded text spelt both ways. On 32-bit Windows a path has
// one view and is looked up as written.
class PathViews {
public:
    // Asks one spelling in one view: native true means the 64-bit system
    // folder seen from a 32-bit program (the file-system redirector is off
    // for the call). True when the file or folder counts as existing.
    typedef bool (*Lookup)(const char* path, bool native);

    // True when the program runs on 64-bit Windows: it is a 64-bit program,
    // or a 32-bit one under WOW64.
    static bool TwoViews();

    // True when lookup finds path in any of its views. The checks and the
    // uninstall heuristics judge every full path through this.
    static bool Exists(const char* path, Lookup lookup);

    // Notes that the entry being judged was expanded from text, so that the
    // program folders its variables named are tried in both spellings. An
    // entry's note lasts until the next entry begins (Forget).
    static void NoteExpansion(const char* text);
    static void Forget();

    // Turns the file-system redirector off on the calling thread for its
    // own lifetime when native is true and the program is 32-bit under
    // WOW64. Active() is false when it could not be turned off: nothing can
    // then be said about the native view.
    class NativeScope {
    public:
        explicit NativeScope(bool native);
        ~NativeScope();
        NativeScope(const NativeScope&) = delete;
        NativeScope& operator=(const NativeScope&) = delete;
        bool Active() const { return m_bActive; }

    private:
        void* m_pOldValue;
        bool m_bDisabled;
        bool m_bActive;
    };
};

} // namespace ovra
