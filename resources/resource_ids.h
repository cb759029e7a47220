/* Identifiers of the program's own resources; read by setup.rc and by the window layer. */
#pragma once

#define SETUP_ICON_ID 1
