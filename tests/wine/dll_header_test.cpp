#include <gtest/gtest.h>
#include <windows.h>

#include <cstring>

#include "host/vis_records.h"

namespace {
HMODULE LoadPlugin() { return LoadLibraryA(VELUNE_RELEASE_DIR "/vis_velune.dll"); }
}  // namespace

TEST(DllHeader, ExportsTheHeaderAndOneModule) {
    HMODULE dll = LoadPlugin();
    ASSERT_NE(dll, nullptr) << "LoadLibrary failed: " << GetLastError();
    auto getHeader = reinterpret_cast<VisGetHeaderFn>(reinterpret_cast<void*>(GetProcAddress(dll, "winampVisGetHeader")));
    ASSERT_NE(getHeader, nullptr);
    VisHeader* header = getHeader();
    ASSERT_NE(header, nullptr);
    EXPECT_EQ(header->version, 0x101);
    EXPECT_STREQ(header->description, "Velune v1.06");
    VisModule* module = header->getModule(0);
    ASSERT_NE(module, nullptr);
    EXPECT_STREQ(module->description, "Velune v1.06");
    EXPECT_EQ(module->latencyMs, 50);
    EXPECT_EQ(module->spectrumNch, 2);
    EXPECT_EQ(module->waveformNch, 2);
    EXPECT_EQ(module->delayMs, 0);
    EXPECT_EQ(module->userData, nullptr);
    EXPECT_EQ(header->getModule(1), nullptr);
    EXPECT_EQ(header->getModule(-1), nullptr);
    EXPECT_EQ(getHeader(), header);  // any number of calls, same record
    FreeLibrary(dll);
}
