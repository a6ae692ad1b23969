// The entry's side of the seam: finds the library by the executable and loads it.
#include "Skiro/Main/ApplicationSide.hpp"

#include "CorvaleCore/SystemCalls.hpp"

#include <dlfcn.h>

#include <filesystem>
#include <iostream>
#include <string>

namespace skiro::app {

const ApplicationSide* loadApplicationSide() {
    static const ApplicationSide* loaded = []() -> const ApplicationSide* {
        // Beside the executable in the build, else where the installation puts it. A path of
        // its own rather than the loader's search path, which a command would pay for in every
        // library it loads.
        const std::filesystem::path folder = corvale::runningExecutable().parent_path();
        std::filesystem::path file = folder / SKIRO_APPLICATION_LIBRARY;
        std::error_code error;
        if (!std::filesystem::exists(file, error)) {
            file = folder / SKIRO_APPLICATION_LIBRARY_FOLDER / SKIRO_APPLICATION_LIBRARY;
        }
        void* library = ::dlopen(file.c_str(), RTLD_NOW | RTLD_LOCAL);
        void* side = library != nullptr ? ::dlsym(library, "skiroApplicationSide") : nullptr;
        if (side == nullptr) {
            const char* reason = ::dlerror();
            std::cerr << "Couldn't load the user interface: "
                      << (reason != nullptr ? std::string(reason) : file.string()) << "\n";
            return nullptr;
        }
        return reinterpret_cast<decltype(&skiroApplicationSide)>(side)();
    }();
    return loaded;
}

} // namespace skiro::app
