// Sets up a handset whose store holds N demo-like messages: seed_store DEVICE_DIR N
#include "devkit/demo_data.h"
#include "devkit/mapi_admin.h"
#include "platform/device.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: seed_store DEVICE_DIR COUNT\n");
        return 2;
    }
    device::SetFolder(std::filesystem::absolute(argv[1]));
    const int count = std::atoi(argv[2]);
    if (count < 0 || !device::EnsureLayout() || !mapi_admin::CreateDeviceStore() ||
        !AddGeneratedMessages(count)) {
        std::fprintf(stderr, "seed_store: cannot set up the handset\n");
        return 1;
    }
    return 0;
}
