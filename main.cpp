#include "app/Startup.h"

int main(int argc, char** argv) {
    return vorlan::app::run(argc, argv);
}
