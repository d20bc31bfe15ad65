#include "app/startup.h"

int main(int argc, char** argv)
{
    return plattera::runPlattera(argc, argv);
}
