// Process entry on hosts that are not Windows.
#include "app/demo.h"
#include "platform/native_host.h"

int main()
{
    // First of all: a closed standard descriptor would be taken by the first file or connection opened.
    platform::makeStandardDescriptorsSafe();
    return runDemo();
}
