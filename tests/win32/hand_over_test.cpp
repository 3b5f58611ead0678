// Who may hand files to the running window. On Windows, processes of other
// users run in the same session (a program run as another user) and in other
// sessions; under Wine every process is the one user's, so another user's
// identity is made here.
#include <gtest/gtest.h>

#include "hand_over.h"
#include "scoped.h"

namespace quill::win32 {
namespace {

TEST(HandOver, OnlyAWindowOfTheSameUserInTheSameSessionIsHeard) {
    const std::optional<ProcessIdentity> own = ProcessIdentity::of(::GetCurrentProcessId());
    ASSERT_TRUE(own);
    EXPECT_TRUE(own->sameUserAndSession(*own));
    ProcessIdentity otherSession = *own;
    ++otherSession.session;
    EXPECT_FALSE(own->sameUserAndSession(otherSession));
    SID_IDENTIFIER_AUTHORITY nt = SECURITY_NT_AUTHORITY;
    PSID system = nullptr;  // S-1-5-18, LocalSystem
    ASSERT_TRUE(::AllocateAndInitializeSid(&nt, 1, SECURITY_LOCAL_SYSTEM_RID, 0, 0, 0, 0, 0, 0, 0,
                                           &system));
    ProcessIdentity otherUser{{static_cast<BYTE*>(system),
                               static_cast<BYTE*>(system) + ::GetLengthSid(system)},
                              own->session};
    ::FreeSid(system);
    EXPECT_FALSE(own->sameUserAndSession(otherUser));

    std::u16string listed(u"C:\\a.doc\0", 9);
    const COPYDATASTRUCT data{kHandOverTag, static_cast<DWORD>(listed.size() * 2), listed.data()};
    const UniqueWindow sender(::CreateWindowExW(0, L"STATIC", nullptr, 0, 0, 0, 0, 0, HWND_MESSAGE,
                                                nullptr, ::GetModuleHandleW(nullptr), nullptr));
    EXPECT_EQ(handedFiles(sender.get(), data), std::vector<std::u16string>{u"C:\\a.doc"});
    EXPECT_EQ(handedFiles(nullptr, data), std::nullopt);  // no window to ask of
    EXPECT_EQ(ProcessIdentity::of(0xFFFFFFF0), std::nullopt);  // no such process
}

}  // namespace
}  // namespace quill::win32
