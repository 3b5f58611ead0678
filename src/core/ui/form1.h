#pragma once
// The main window's behaviour: the program state, the three list queues, the
// text buffer, and every procedure and event handler of the window. The
// platform shell owns the real window and calls the event handlers; the
// procedures reach the system only through Platform.

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

class Form1 {
public:
    explicit Form1(Platform& platform) : platform_(platform) {}
    Form1(const Form1&) = delete;
    Form1& operator=(const Form1&) = delete;

    // Public operations.
    [[nodiscard]] ConsoleRun wrdtxt();
    [[nodiscard]] bool txthtml();
    [[nodiscard]] bool htm_save();
    [[nodiscard]] std::u16string fMyPath();
    void SetForceForegroundWindow(WindowHandle window);
    void sFormAllUnload();

    // Event handlers, called by the platform shell. A drop that arrives while
    // another handler is running is handled once that handler has returned,
    // in arrival order; a button press that arrives then is ignored.
    void Form_Load();
    void Form_QueryUnload();
    void Form_Unload();
    void Form_OLEDragDrop(DropData data) { acceptDrop(std::move(data)); }
    void Command2_OLEDragDrop(DropData data) { acceptDrop(std::move(data)); }
    void Text1_OLEDragDrop(DropData data) { acceptDrop(std::move(data)); }
    void Command2_Click();
    void Command3_Click();

    // State, for the shell and for inspection.
    [[nodiscard]] const ConversionState& state() const noexcept { return state_.conversion; }
    [[nodiscard]] const StringList& list1() const noexcept { return state_.list1; }
    [[nodiscard]] const StringList& list2() const noexcept { return state_.list2; }
    [[nodiscard]] const StringList& list3() const noexcept { return state_.list3; }
    [[nodiscard]] const TextBuffer& richTextBox1() const noexcept { return richTextBox1_; }
    [[nodiscard]] bool unloaded() const noexcept { return events_.unloaded(); }
    [[nodiscard]] bool busy() const noexcept { return depth_ > 0; }

private:
    // Intake.
    void acceptDrop(DropData data);
    void dropRoutine(const DropData& data);
    void sDropCheck();

    // The HTML run's pages, from the first output-list entry on; entries
    // from firstNew on are the run's own. Returns the pages not made.
    [[nodiscard]] int writePages(int firstNew, const ConsoleRun& run);

    // Runs body as an event handler, then the drops that waited for it.
    // Called only when no other handler runs.
    void runHandler(const std::function<void()>& body);
    // Runs body counted as a running handler, ending it quietly when the
    // window was unloaded or a failure reached it.
    void runGuarded(const std::function<void()>& body);

    Platform& platform_;
    EventPump events_{platform_};
    ProgramState state_;
    TextBuffer richTextBox1_;
    std::u16string myPathCache_;
    DropIntake intake_{state_, platform_, events_};
    ConsoleAutomation console_{state_, platform_, events_};

    int depth_ = 0;
    std::deque<DropData> pendingDrops_;
};

}  // namespace quill
