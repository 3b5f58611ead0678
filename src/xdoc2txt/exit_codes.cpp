#include "exit_codes.h"

#include <cstdio>

namespace xdoc2txt {

std::string helpText() {
    return R"(usage: xdoc2txt -f SOURCE
       xdoc2txt --warm SOURCE...
       xdoc2txt --help

Writes the text of the document SOURCE beside it: SOURCE less its suffix,
plus ".txt" (D/report.doc gives D/report.txt, D/page.html gives D/page.txt).
The source is never changed. The text is written to a temporary file in the
same folder and renamed into place, so an older text stays as it was until
a new one is complete.

Formats: .pdf .doc .xls .ppt .rtf .htm .html, the Lotus and Works
spreadsheets .wk3 .wk4 .123 .wj2 .wj3, and .txt (a text already: left as it
is). Ichitaro documents (.jtd .jaw .jtw .jbw .juw .jfw .jvw .jtt) are
recognised, but no reader for them exists here. Suffixes in any letter case.

Encoding: XDOC2TXT_ENCODING (an iconv name such as CP932 or UTF-8), else the
locale's character set. Characters the encoding lacks become "?". Lines end
in CR LF for Windows code pages (CPnnn, WINDOWS-nnn, Shift_JIS and its
aliases, which are written as CP932), in LF otherwise.

Time limit: every reader run ends after XDOC2TXT_TIMEOUT seconds (default
120, LibreOffice 300).

LibreOffice is kept running: the first document that needs it starts one
headless LibreOffice for the user (and cache folder), later ones are handed
to it, and it ends by itself after XDOC2TXT_SOFFICE_IDLE seconds with nothing
to do (default 120, as set for the conversion that starts it). A document it
fails on is converted by a fresh LibreOffice in the time left; one it does
not finish in time fails. XDOC2TXT_SOFFICE_WARM=0 starts LibreOffice afresh
for every document instead. "xdoc2txt --warm SOURCE..." starts it in the
background when LibreOffice will read one of the sources (a presentation, an
RTF, or an RTF or HTML file under a Word, Excel or Lotus name), and returns
at once: a program that queues documents can have it ready before their
conversions. It exits 0, or 5 when no instance can be started.

Sandbox: every reader runs under bubblewrap (bwrap), in namespaces of its
own with no capability and no network, seeing the system's programs and
data read-only, the document read-only and a folder of its own to write in:
none of your files, other users' files, your environment or the network.
Where bwrap is missing or cannot make its namespaces (unprivileged user
namespaces turned off, or Ubuntu's AppArmor restriction), the conversion
fails with exit code 8. XDOC2TXT_SANDBOX=0 runs the readers unconfined, as
your own programs with all your rights, and says so on standard error: a
hostile document that takes over a reader then gets what you can reach.

Exit codes:
  0  the text was written, or the source is a .txt
  1  an unexpected internal fault
  2  usage: wrong arguments, an unknown XDOC2TXT_ENCODING or a bad setting
     (XDOC2TXT_TIMEOUT, XDOC2TXT_SOFFICE_WARM, XDOC2TXT_SOFFICE_IDLE,
     XDOC2TXT_SANDBOX)
  3  the source is missing, not a regular file, or unreadable
  4  the suffix names no supported format
  5  no converter for this format (Ichitaro, or its readers are not installed)
  6  conversion failed: every reader failed, found no text, or ran out of time
  7  the text could not be written beside the source
  8  the readers' sandbox: bwrap is not installed or cannot set it up
On failure, one line on standard error names the source and the reason.
)";
}

std::string escapeControls(std::string_view text) {
    std::string shown;
    shown.reserve(text.size());
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte >= 0x20 && byte != 0x7F) {
            shown += c;
        } else if (c == '\n') {
            shown += "\\n";
        } else if (c == '\t') {
            shown += "\\t";
        } else if (c == '\r') {
            shown += "\\r";
        } else {
            char escaped[5];
            std::snprintf(escaped, sizeof escaped, "\\x%02X", byte);
            shown += escaped;
        }
    }
    return shown;
}

std::string errorLine(std::string_view source, std::string_view reason) {
    return "xdoc2txt: " + escapeControls(source) + ": " + escapeControls(reason) + "\n";
}

}  // namespace xdoc2txt
