#pragma once

// The program's entry steps up to the message loop: the application object,
// its title and the six windows, in this order.
void InitializeProgram();
