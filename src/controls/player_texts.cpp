// The player's texts about the controls, each a walk over the controls table.
#include "controls/player_texts.h"

#include "controls/controls.h"

namespace {
// The defaults of `row` as the player names them, joined by ", ".
std::string defaultsOf(const ControlRow& row)
{
    std::string out;
    for (const char* name : row.defaults) {
        if (name != nullptr) {
            out += (out.empty() ? "" : ", ") + std::string(name);
        }
    }
    return out;
}

std::string padded(std::string text, size_t width)
{
    if (text.size() < width) {
        text.resize(width, ' ');
    }
    return text;
}

// A CMake bracket argument holding `text` whole, whatever it holds.
std::string bracketed(const std::string& text)
{
    std::string fence = "=";
    while (text.find("]" + fence + "]") != std::string::npos) {
        fence += "=";
    }
    return "[" + fence + "[" + text + "]" + fence + "]";
}
}  // namespace

std::string controlsUsage()
{
    constexpr size_t KEYS_WIDTH = 20;
    std::string out;
    for (const ControlRow& row : CONTROL_ROWS) {
        const std::string keys = "  " + defaultsOf(row);
        out += keys.size() >= KEYS_WIDTH + 2 ? keys + "\n" + std::string(KEYS_WIDTH + 2, ' ') : padded(keys, KEYS_WIDTH + 2);
        out += std::string(row.does) + "\n";
    }
    return out;
}

std::string controlsManLines()
{
    std::string out;
    for (const ControlRow& row : CONTROL_ROWS) {
        out += (out.empty() ? "" : "\n") + std::string(".TP\n.B ") + row.name + "\n" + defaultsOf(row) + ": " + row.does;
    }
    return out;
}

std::string controlsPlainText()
{
    std::string out;
    for (const ControlRow& row : CONTROL_ROWS) {
        out += (out.empty() ? "" : "\n") + padded("  " + std::string(row.name), 16) + defaultsOf(row) + "\n" +
               std::string(16, ' ') + row.does;
    }
    return out;
}

std::string controlsMarkdown()
{
    std::string out = "| control | default | what it does |\n|---|---|---|\n";
    for (const ControlRow& row : CONTROL_ROWS) {
        out += "| `" + std::string(row.name) + "` | " + defaultsOf(row) + " | " + row.does + " |\n";
    }
    out += "| `hand` | `\"right\"` | `\"left\"`: the touch stick on the right, the inventory button on the left |\n";
    out += "| `hold_ms` | " + std::to_string(HOLD_MS_DEFAULT) + " | how long a touch is held to count as a hold: " +
           std::to_string(HOLD_MS_LEAST) + " to " + std::to_string(HOLD_MS_MOST) + " |\n";
    return out;
}

std::string webCodeOf(std::string_view name)
{
    if (keyCodeNamed(name) == 0) {
        return "";
    }
    if (name[0] >= 'A' && name[0] <= 'Z' && name.size() == 1) {
        return "Key" + std::string(name);
    }
    if (name[0] >= '0' && name[0] <= '9') {
        return "Digit" + std::string(name);
    }
    return std::string(name);  // F1 to F12
}

std::string gameKeysWebJson()
{
    std::string out;
    for (const ControlRow& row : CONTROL_ROWS) {
        if (gameKeyOf(row.action) != 0) {
            out += (out.empty() ? "[\"" : ", \"") + webCodeOf(row.defaults[0]) + "\"";
        }
    }
    return out + "]\n";
}

std::string playerTextsCMake()
{
    return "# Made by playertexts from the controls table (src/controls/controls.h).\n"
           "set(BRAMBIX_HOLD_MS " + std::to_string(HOLD_MS_DEFAULT) + ")\n"
           "set(BRAMBIX_HOLD_LEAST " + std::to_string(HOLD_MS_LEAST) + ")\n"
           "set(BRAMBIX_HOLD_MOST " + std::to_string(HOLD_MS_MOST) + ")\n"
           "set(BRAMBIX_HOLD_TEXT " + bracketed(holdText(HOLD_MS_DEFAULT)) + ")\n"
           "set(BRAMBIX_CONTROLS_MAN " + bracketed(controlsManLines()) + ")\n"
           "set(BRAMBIX_CONTROLS_TEXT " + bracketed(controlsPlainText()) + ")\n"
           "set(BRAMBIX_CONTROLS_MD " + bracketed(controlsMarkdown()) + ")\n";
}
