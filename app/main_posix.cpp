// Process entry on hosts that are not Windows.
#include "app/demo.h"

int main() { return runDemo(); }
