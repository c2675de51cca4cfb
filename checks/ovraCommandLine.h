#pragma once

namespace ovra {

// Reads one command line the way Windows would start it, and says whether
// what it needs is there. The program part is read as CreateProcess reads it:
// the text between quotes; or, unquoted, each blank-delimited prefix in turn,
// shortest first, until one is a program that exists; or a bare name through
// the system's search order. For rundll32 the program is the DLL named by its
// first argument.
//
// Among the arguments only files the program reads count as needed: an
// "isu" file anywhere (quoted, after "-f", or as the whole argument text), and
// "log" and "ini" files only where old uninstallers take their script: right
// after "-f", or as the whole argument text when no argument is a switch
// (unwise.exe C:\App\INSTALL.LOG). Anywhere else such a file is one the
// program writes when it runs (--log-file, /LOGFILE, -c settings.ini), and
// nothing after a switch that speaks of a log, nor after ">", is ever needed.
//
// A line is dead only when its program is a full path on a fixed drive that
// is missing in every view, a bare name found nowhere, a rundll32 DLL at such
// a missing path, or when a needed file is missing. Everything else counts
// as found. Files are looked up with the text as written, since folders can
// be case-sensitive; case is folded only in a copy used for comparing. A read
// is a value: it keeps the text and where its pieces lie, and nothing else
// remembers it.
class CommandLine {
public:
    // Bytes of the working copy, text terminator included: a text of
    // kBufSize characters or more is not judged.
    static constexpr int kBufSize = 2048;
    // Entries of the token table (also the most program candidates tried)
    // and of the needed-file table.
    static constexpr int kMaxTokens = 256;
    static constexpr int kMaxFiles = 256;

    enum class Kind {
        kUninstall, // every program is judged, bare names through the search order
        kStartup,   // bare names stay unjudged: the shell also resolves App Paths
    };
    enum class Verdict { kFound, kMissing, kUnjudged };

    // Reads text; null, empty, all-blank and over-long texts read as nothing.
    static CommandLine Read(const char* text, Kind kind);

    // False when there was nothing to read.
    bool Judged() const { return m_nProgram >= 0; }
    // The program part as written (null when not judged). For an unquoted
    // program none of whose candidates exists, the shortest one with an
    // extension (else the shortest) stands for it.
    const char* Program() const;
    // The rundll32 DLL as written (null when the program is no rundll32 or
    // names none).
    const char* Dll() const;
    // What was found of the program (of the DLL, for rundll32).
    Verdict ProgramVerdict() const { return m_verdict; }
    int FileCount() const { return m_nFileCount; }
    // A needed file as written.
    const char* File(int index) const;

    // True when the program or a needed file is missing. The needed files
    // are looked up on every call.
    bool IsDead() const;

private:
    CommandLine();
    void Cut(int at);
    void ReadProgram(int start, int end, Kind kind, int& argumentsAt);
    void ReadUnquoted(int start, int end, Kind kind, int& argumentsAt);
    void ReadRundll(int& argumentsAt, int end);
    void ReadArguments(int start, int end);
    void Track(int at);
    bool TakeQuoted(int at, char quote, bool script);
    int DashFileEnd(int at, int end) const;

    // The text as written, and the same text with ASCII letters in lower
    // case: every decision reads the folded copy, every lookup the text.
    // Both are cut at the same places.
    char m_szText[kBufSize];
    char m_szFold[kBufSize];
    int m_nProgram;
    int m_nDll;
    int m_anFiles[kMaxFiles];
    int m_nFileCount;
    Verdict m_verdict;
};

} // namespace ovra
