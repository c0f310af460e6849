// Everything of the published driver plug-in interface in one include.
#pragma once

#include "abi/ddi.h"
#include "abi/devmode.h"
#include "abi/guids.h"
#include "abi/hresult.h"
#include "abi/interfaces.h"
#include "abi/oem.h"
#include "abi/types.h"
