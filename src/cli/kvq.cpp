// kvq: the command-line tool over the archive engine.
#include <cstdio>

int main(int argc, char** argv) {
    (void)argv;
    if (argc < 2) {
        std::fprintf(stderr, "usage: kvq VERB ARCHIVE [ARGS...] [OPTIONS]\n");
        return 2;
    }
    std::fprintf(stderr, "kvq: not yet available\n");
    return 1;
}
