// tavtools-cli thumbnails: handed to the program beside it that draws.
#include "commands.h"

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstring>
#include <string>
#include <unistd.h>

namespace cli {

int runPictureProgram(char** argv) {
    char self[PATH_MAX];
    const ssize_t n = readlink("/proc/self/exe", self, sizeof self - 1);
    std::string program = "tavtools-pictures";
    if (n > 0) {
        self[n] = 0;
        std::string folder(self);
        folder.resize(folder.rfind('/') + 1);
        // Beside this program in the build folder; installed, in its own folder.
        const std::string beside = folder + program;
        program = access(beside.c_str(), X_OK) == 0
                      ? beside
                      : folder + TAVTOOLS_PICTURES_DIR + "/" + program;
    }
    argv[0] = program.data();
    execv(program.c_str(), argv);
    std::fprintf(stderr, "%s : %s\n", program.c_str(), std::strerror(errno));
    return 1;
}

} // namespace cli
