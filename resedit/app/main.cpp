#include "CReseditApp.h"

int main(int argc, char** argv) {
    resedit::CReseditApp app(argc, argv);
    return app.initInstance();
}
