#pragma once
// The command line of the main program and the option words of command-file lines:
// an optional first word (a file, or "@" and a command file), switches in any order
// and further file names. Switches are case-blind; file names keep their case, since
// the file system tells names apart by case.

#include <string>

namespace ob7 {

// Splits the first word off `text`: a quoted word runs to the next quote (the rest of
// the text when none), switch tokens ("/T", "/T/A") are stepped over and stay in the
// text, any other word runs to the next blank (a "/" inside it belongs to the path; a
// token beginning with "/" is a path when it holds a "." or exists). The text is trimmed.
std::string SplitFirstWord(std::string& text);

// The first occurrence of `name` (any case) inside a switch token counts only when the
// switch there ("/" and everything up to the next "/" or blank) has exactly its length;
// it is then removed. Returns its offset or -1; the text is trimmed either way.
int FindSwitch(std::string& text, const char* name);
inline int FindLetterSwitch(std::string& text, char letter) {
    const char name[3] = {'/', letter, 0};
    return FindSwitch(text, name);
}

// What the start-up reads from the command line.
struct StartupOptions {
    int batchMode = 0;         // 0 interactive; 2 "/S", 1 "/R", 8 otherwise with "@"
    int startupAnalysis = -1;  // -1 none, 0 "/T", 1 "/A", 2 "/D" (the last found wins)
    bool printCircuit = false; // "/PC" or "/P" with "@"
    bool printAnalysis = false;// "/PA" or "/P" with "@"
    std::string commandFile;   // the word after "@", as given (made a full path later)
    std::string firstWord;     // the first file to open (empty with "@")
    std::string rest;          // further file names
    std::string error;         // the text left over when a switch was not accepted
};

// Reads a whole command line; `error` is set when anything "/" is left over.
StartupOptions ParseCommandLine(const std::string& commandLine);

// The options of one command-file line.
struct BatchLineOptions {
    bool runTransient = false, runAC = false, runDC = false;
    bool printCircuit = false, printPlot = false;
    int runMode = 8;           // 2 "/S", 1 "/R", 8 otherwise
    std::string name;          // the circuit file
    std::string leftover;      // text not taken as an option or the name
    bool RunsAnything() const { return runTransient || runAC || runDC; }
};

// Reads the options of a trimmed command-file line.
BatchLineOptions ParseBatchLineOptions(const std::string& line);

}  // namespace ob7
