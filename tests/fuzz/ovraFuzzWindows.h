#pragma once

// The thread's error mode: back to 0 after every judgement.
unsigned long FuzzErrorMode();
