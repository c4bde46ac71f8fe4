#pragma once

// A start with arguments: a command to the clock running on this folder's settings file, or,
// with none running, done on the file itself under the same lock. Needs no display.
int runCommand(int argc, char **argv);
