#pragma once
// Visibility of the host services. libsolvutil is built with hidden visibility; the
// host runtime (the real one, or the kaldor stand-in) must export what is declared
// in this folder, so every declaration here carries KALDOR_API.
#define KALDOR_API __attribute__((visibility("default")))
