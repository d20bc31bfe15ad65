#include "app/startup.h"

int main(int, char** argv)
{
    // Arguments are ignored: the program has no command line.
    return plattera::runPlattera(argv[0]);
}
