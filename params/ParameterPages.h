#pragma once

class BasicFunctionPage;

// The page objects the query, set and default buttons act on. A page that is null is
// skipped: its operations and its part of a default set do nothing.
struct ParameterPages {
    BasicFunctionPage* basic = nullptr;
};
