#pragma once
// The window Form1, the one face of the program to the platform shell: the
// shell owns the real window, lays out its controls (ui/layout.h) and calls
// Form1's event handlers; it runs nothing of the core but through Form1.
// Form1 owns the program state, the text buffer and the program folder,
// runs its handlers, and hands the work to the folder that does it; it alone
// sets the window's texts and its start button, from what that work reports:
//   intake/     the drop routine's steps and sDropCheck
//   base/       names derived from paths, text helpers: used by every folder
//   converter/  the console routine of both runs, command lines
//   html/       loading a text output, writing its page
//   ui/         start-up and shut-down, the two button handlers
//               (conversion_runs.cpp), status texts, layout
// Everything reaches the system only through the roles of platform.h that
// Form1 is given (FormRoles), each handed on to the work that needs it.

#include <deque>
#include <functional>
#include <string>

#include "converter/console_automation.h"
#include "event_pump.h"
#include "html/text_buffer.h"
#include "intake/drop_intake.h"
#include "platform.h"
#include "state/program_state.h"

namespace quill {

// The system as the window's work needs it: one reference per role.
struct FormRoles {
    WindowView& view;
    Lifecycle& lifecycle;
    EventLoop& events;
    ConsoleChannel& console;
    Files& files;
    CodePage& codePage;
};

class Form1 : private IntakeListener {
public:
    explicit Form1(const FormRoles& roles) : roles_(roles) {}
    // Every role from one object.
    explicit Form1(AllRoles& shell)
        : Form1(FormRoles{shell, shell, shell, shell, shell, shell}) {}
    Form1(const Form1&) = delete;
    Form1& operator=(const Form1&) = delete;

    // Public operations.
    // The HTML run's console routine: converts the source queue to texts and
    // records their names in the output list (ConsoleAutomation).
    [[nodiscard]] ConsoleRun wrdtxt();
    // Loads the text output at currentIndex into the text buffer
    // (loadTextOutput); false when it cannot be read.
    [[nodiscard]] bool txthtml();
    // Shows "html作成中" in the caption and writes the page of the text
    // output at currentIndex from the text buffer (writePage); false when no
    // whole page was written.
    [[nodiscard]] bool htm_save();
    // The program's folder with a trailing separator (a backslash on
    // Windows); asked of the platform once, then cached.
    [[nodiscard]] std::u16string fMyPath();
    // Brings the window to the front, even where the system would refuse a
    // plain request (ConsoleChannel::bringToFront).
    void SetForceForegroundWindow(WindowHandle window);
    // Closes every window of the program, which ends it; only the first call
    // does anything.
    void sFormAllUnload();

    // Event handlers, called by the platform shell. Handlers run one at a
    // time: a drop that arrives while another handler yields is handled once
    // that handler has returned, in arrival order; a button press that
    // arrives then is ignored; a close request ends the yielding handler,
    // which leaves without touching the window again.
    void Form_Load();
    void Form_QueryUnload();
    void Form_Unload();
    void Form_OLEDragDrop(DropData data) { acceptDrop(std::move(data)); }
    void Command2_OLEDragDrop(DropData data) { acceptDrop(std::move(data)); }
    void Text1_OLEDragDrop(DropData data) { acceptDrop(std::move(data)); }
    // The drop handler of the target: one of the three above.
    void OLEDragDrop(DropOn target, DropData data);
    void Command2_Click();
    void Command3_Click();
    // The files named on the program's command line (Open With, Send To, a
    // drop on the program's icon), once Form_Load has run: one drop on the
    // window; or, when this start found another instance running, handed to
    // that one. False when they could not be handed over.
    [[nodiscard]] bool OpenFiles(std::vector<std::u16string> files);

    // State, for inspection by the tests and the fuzz targets; the shell only
    // calls the handlers.
    [[nodiscard]] const ConversionState& state() const noexcept { return state_.conversion; }
    [[nodiscard]] const StringList& list1() const noexcept { return state_.list1; }
    [[nodiscard]] const StringList& list2() const noexcept { return state_.list2; }
    [[nodiscard]] const StringList& list3() const noexcept { return state_.list3.paths(); }
    [[nodiscard]] const TextBuffer& richTextBox1() const noexcept { return richTextBox1_; }
    [[nodiscard]] bool unloaded() const noexcept { return events_.unloaded(); }
    [[nodiscard]] bool busy() const noexcept { return depth_ > 0; }

private:
    // The drop routine of the three drop targets: stage, check, clear.
    void acceptDrop(DropData data);
    void dropRoutine(const DropData& data);
    void sDropCheck();
    // What the drop routine reports, shown at once.
    void startAllowed(bool allowed) override;
    void documentsReady() override;

    // Once the HTML run has waited for its console: the output-list entries
    // it recorded whose text it did not write become Failed. Returns how
    // many.
    [[nodiscard]] int settleOutputs(const ConsoleRun& run);
    // The HTML run's pages, from the first output-list entry on, but for the
    // Failed ones. Returns the pages not made.
    [[nodiscard]] int writePages();
    // The page at currentIndex: true when it was made.
    [[nodiscard]] bool makePage();

    // Runs body as an event handler, then the drops that waited for it.
    // Called only when no other handler runs.
    void runHandler(const std::function<void()>& body);
    // Runs body counted as a running handler, ending it quietly when the
    // window was unloaded or a failure reached it (the window then topmost
    // again, unless it was unloaded).
    void runGuarded(const std::function<void()>& body);

    FormRoles roles_;
    EventPump events_{roles_.events};
    ProgramState state_;
    TextBuffer richTextBox1_;
    std::u16string myPathCache_;
    DropIntake intake_{state_, events_, *this};
    ConsoleAutomation console_{state_, events_, roles_.console, roles_.files};

    bool secondStart_ = false;           // Form_Load found another instance running
    int depth_ = 0;                      // handlers running, nested in yields
    std::deque<DropData> pendingDrops_;  // drops waiting for the running handler
};

}  // namespace quill
