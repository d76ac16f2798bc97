#pragma once

// Every filter parameter type in one include.

#include <Hyx/FilterParam.h>
#include <Hyx/FilterParamChoice.h>
#include <Hyx/FilterParamDataProfile.h>
#include <Hyx/FilterParamImage.h>
#include <Hyx/FilterParamNumeric.h>
#include <Hyx/FilterParamPath.h>
#include <Hyx/FilterParamText.h>
#include <Hyx/FilterParamVector.h>
