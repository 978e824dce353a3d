// The whole public API of libjrl: include this and link jrl::jrl.
#pragma once

#include "jrl/analysis.hpp"
#include "jrl/catalogue.hpp"
#include "jrl/departments.hpp"
#include "jrl/model_rules.hpp"
#include "jrl/diagnostics.hpp"
#include "jrl/error.hpp"
#include "jrl/format.hpp"
#include "jrl/model.hpp"
#include "jrl/model_arena.hpp"
#include "jrl/parse.hpp"
#include "jrl/position.hpp"
#include "jrl/selector_functions.hpp"
#include "jrl/selector_visit.hpp"
#include "jrl/source_map.hpp"
#include "jrl/streaming.hpp"
#include "jrl/text.hpp"
