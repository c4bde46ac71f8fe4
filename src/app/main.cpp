#include "zelkaapp.h"

int main(int argc, char *argv[])
{
    ZelkaApp app(argc, argv);
    app.InitInstance();
    return app.exec();
}
