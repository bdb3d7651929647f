// Puts every piece of the system's module state, and the fakes', back as a fresh process has it.
#pragma once

// Each test calls it first, so no test depends on what ran before it in the same process.
void resetSystemState();
