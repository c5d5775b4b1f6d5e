// Uses only the installed headers and libraries; exits 0 when the results are right.
#include <cstdio>

#include "solvutil/host/kxerror.hpp"
#include "solvutil/kernels/solv_assert.hpp"
#include "solvutil/kernels/vector_kernels.hpp"

int main() {
    const AlignedVector x{3.0, -4.0};
    AlignedVector y{1.0, 1.0};
    axpy(2.0, x, y);
    bool ok = y[0] == 7.0 && y[1] == -7.0 && norm2(x) == 5.0;
    try {
        solvAssert(false, "");
        ok = false;
    } catch (const hostcore::IUserException& e) {
        ok = ok && e.getMessageId() == "solv:solvPlugError:unhandledError";
    }
    std::printf("consumer: %s\n", ok ? "ok" : "WRONG");
    return ok ? 0 : 1;
}
