// marrowlight: entry point. Parses the command line and hands over to the player.
#include "app/CommandLine.h"

int main(int argc, char** argv)
{
    return RunPlayer(argc, argv);
}
