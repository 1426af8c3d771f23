#include <QCoreApplication>
#include <QTest>

int runWireTests(int argc, char** argv);
int runEndpointTests(int argc, char** argv);

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    return runWireTests(argc, argv) | runEndpointTests(argc, argv);
}
