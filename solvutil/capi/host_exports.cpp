// Plain-symbol forwarders to the host allocator, console and test hooks, and the
// library's load and unload entry points.
#include <atomic>

#include "solvutil/capi/plain_exports.hpp"
#include "solvutil/host/hostio.hpp"
#include "solvutil/host/hosttest.hpp"
#include "solvutil/host/kxmemory.hpp"

extern "C" {

void ioFlushSolv() {
    ioFlush();
}

void* kxMallocExSolv(std::size_t bytes) {
    return kxMallocEx(bytes);
}

void kxFreeExSolv(void* p) {
    kxFreeEx(p);
}

void assertSolv(int, const char*) {}

void emulateCtrlC(const char* name) {
    const int mode = std::atomic_ref<int>(hosttest::ExceptionTester::staticTesterMode)
                         .load(std::memory_order_acquire);
    if (mode == -1) return;
    hosttest::CreateTesterByName(nullptr, nullptr, name);
    if (hosttest::ExceptionTester* tester = hosttest::GetTesterByName(nullptr, nullptr, name)) {
        tester->emulateCtrlC();
    }
}

void LBInitialize_solvutil() {}

void LBTerminate_solvutil() {}

}  // extern "C"

void kxArrayPrint(const char* name, const kxArray* array) {
    hostio::legacy::ioPrintMatrix(name, array);
}
