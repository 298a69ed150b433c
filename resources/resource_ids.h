// Resource ids shared by the resource script and the program.
#pragma once

#define IDI_SELVARO 1
#define IDI_DRIVE 2
