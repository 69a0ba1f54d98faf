// The owners and scopes of actions/win_API.h, which give back exactly what they
// took at the end of their block, also when an exception leaves it, and the
// text conversions of actions/win_Text.h.

#include <windows.h>

#include <gtest/gtest.h>

#include <stdexcept>
#include <thread>

#include "actions/win_API.h"
#include "actions/win_Text.h"

namespace {

HWND CreateMessageWindow() {
  return CreateWindowW(L"STATIC", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, GetModuleHandleW(nullptr), nullptr);
}

}  // namespace

TEST(Owners, WindowIsDestroyedOnceAndOnlyWhileItLives) {
  HWND handle = CreateMessageWindow();
  ASSERT_TRUE(handle);
  { const unique_window owned(handle); }
  EXPECT_FALSE(IsWindow(handle));

  HWND other = CreateMessageWindow();
  unique_window owned(other);
  DestroyWindow(other);  // as a parent does with its children
  owned.reset();         // and the owner does not destroy it again
  EXPECT_FALSE(owned);
}

TEST(Scopes, SelectionRestoresTheObjectItReplaced) {
  const unique_memory_dc dc(CreateCompatibleDC(nullptr));
  const HGDIOBJ before = GetCurrentObject(dc.get(), OBJ_FONT);
  const HGDIOBJ font = GetStockObject(ANSI_FIXED_FONT);
  ASSERT_NE(before, font);
  {
    const TSelection selected(dc.get(), font);
    EXPECT_EQ(GetCurrentObject(dc.get(), OBJ_FONT), font);
  }
  EXPECT_EQ(GetCurrentObject(dc.get(), OBJ_FONT), before);
  { const TSelection nothing(nullptr, font); }  // no context, nothing to select or restore
}

TEST(Scopes, WindowDcOfTheScreenMeasures) {
  const TWindowDc screen(nullptr);
  ASSERT_TRUE(screen);
  EXPECT_GT(GetDeviceCaps(screen.get(), HORZRES), 0);
}

TEST(Scopes, ValueAndErrorModeComeBackWhenAnExceptionLeavesTheBlock) {
  int value = 1;
  const UINT mode = SetErrorMode(0);
  try {
    const TScopedValue<int> changed(value, 2);
    const TErrorMode quiet(SEM_FAILCRITICALERRORS);
    EXPECT_EQ(value, 2);
    EXPECT_EQ(GetErrorMode() & SEM_FAILCRITICALERRORS, UINT(SEM_FAILCRITICALERRORS));
    throw std::runtime_error("leave");
  } catch (const std::runtime_error&) {
  }
  EXPECT_EQ(value, 1);
  EXPECT_EQ(GetErrorMode() & SEM_FAILCRITICALERRORS, 0u);
  SetErrorMode(mode);
}

TEST(Scopes, LockIsHeldForTheBlockOnly) {
  SRWLOCK lock = SRWLOCK_INIT;
  {
    const TExclusiveLock hold(lock);
    EXPECT_FALSE(TryAcquireSRWLockExclusive(&lock));
  }
  ASSERT_TRUE(TryAcquireSRWLockExclusive(&lock));
  ReleaseSRWLockExclusive(&lock);
}

TEST(Scopes, ComAndOleSessionsEndWhatTheyStarted) {
  // On a fresh thread: a session's start is the thread's first, so a start
  // after its end is a first one again (S_OK, not S_FALSE).
  std::thread([] {
    { const TComSession com; }
    EXPECT_EQ(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED), S_OK);
    CoUninitialize();
    { const TOleSession ole; }
    EXPECT_EQ(OleInitialize(nullptr), S_OK);
    OleUninitialize();
  }).join();
}

TEST(TextConversions, AnsiIsExactOrNothing) {
  EXPECT_EQ(AnsiToWide(WideToAnsi(L"Program Files")), L"Program Files");
  EXPECT_EQ(ToExactAnsi(L""), std::string());
  EXPECT_EQ(ToExactAnsi(L"C:\\Tools"), "C:\\Tools");
  // Not in the Western code page; a best-fit look-alike would name another folder.
  EXPECT_FALSE(ToExactAnsi(L"Caf\u0113"));
}

TEST(TextConversions, WindowTextIsTheWholeCaption) {
  const unique_window window(CreateMessageWindow());
  EXPECT_EQ(WindowText(window.get()), L"");
  const std::wstring caption(300, L'x');
  SetWindowTextW(window.get(), caption.c_str());
  EXPECT_EQ(WindowText(window.get()), caption);
}
