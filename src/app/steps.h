#pragma once

#include <exception>

// Procedures that run "step by step": a step that fails is left undone without a message, and
// the procedure goes on with the next one.
template <typename Step>
void attempt(Step&& step) noexcept {
    try {
        step();
    } catch (const std::exception&) {
    }
}
