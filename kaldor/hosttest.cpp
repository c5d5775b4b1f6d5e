// Test hooks of the stand-in host: a registry of named exception testers and the
// record of user interrupts they raise.
#include <atomic>
#include <map>
#include <memory>
#include <mutex>
#include <set>

#include "kaldor/testing/hosttest.hpp"
#include "solvutil/host/hosttest.hpp"

namespace {

struct Registry {
    std::mutex mutex;
    std::set<std::string> declared;
    std::map<std::string, std::unique_ptr<hosttest::ExceptionTester>> testers;
    std::size_t interrupts = 0;
    std::string lastSource;
};

Registry& registry() {
    static Registry r;
    return r;
}

}  // namespace

namespace hosttest {

int ExceptionTester::staticTesterMode = -1;

ExceptionTester::ExceptionTester(std::string name) : name_(std::move(name)) {}
ExceptionTester::~ExceptionTester() = default;

void ExceptionTester::emulateCtrlC() {
    Registry& r = registry();
    std::lock_guard<std::mutex> lock(r.mutex);
    ++r.interrupts;
    r.lastSource = name_;
}

void CreateTesterByName(const void*, const void*, const char* name) {
    if (name == nullptr) return;
    Registry& r = registry();
    std::lock_guard<std::mutex> lock(r.mutex);
    if (r.declared.count(name) == 0 || r.testers.count(name) != 0) return;
    r.testers.emplace(name, std::make_unique<ExceptionTester>(name));
}

ExceptionTester* GetTesterByName(const void*, const void*, const char* name) {
    if (name == nullptr) return nullptr;
    Registry& r = registry();
    std::lock_guard<std::mutex> lock(r.mutex);
    const auto it = r.testers.find(name);
    return it == r.testers.end() ? nullptr : it->second.get();
}

}  // namespace hosttest

namespace kaldor::testing {

void setTesterMode(int mode) {
    std::atomic_ref<int>(hosttest::ExceptionTester::staticTesterMode)
        .store(mode, std::memory_order_release);
}

void declareTester(const std::string& name) {
    Registry& r = registry();
    std::lock_guard<std::mutex> lock(r.mutex);
    r.declared.insert(name);
}

void resetTesters() {
    Registry& r = registry();
    std::lock_guard<std::mutex> lock(r.mutex);
    r.testers.clear();
    r.declared.clear();
}

std::size_t interruptCount() {
    Registry& r = registry();
    std::lock_guard<std::mutex> lock(r.mutex);
    return r.interrupts;
}

std::string lastInterruptSource() {
    Registry& r = registry();
    std::lock_guard<std::mutex> lock(r.mutex);
    return r.lastSource;
}

}  // namespace kaldor::testing
