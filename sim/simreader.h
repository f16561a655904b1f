#pragma once
// The reader's side of every exchange: given one command (the characters before its carriage
// return), the bytes the PX-708 answers; given an ENQ, the next reading of the download store;
// given a transponder held to the antenna, what the reader stores or sends.
// Thread affinity: one thread (the simulator's loop). No I/O: callers send the returned bytes.

#include "sim/simstate.h"

#include <string>
#include <string_view>
#include <vector>

namespace px708::sim {

enum class Mode { Zelmar, Online };

// The texts the reader answers where the protocol leaves the words to the reader.
inline constexpr std::string_view kVersionText = "PX-708 SIM V1.00";
inline constexpr std::string_view kZelmarModeAnswer = "ZELMAR MODE";
inline constexpr std::string_view kOnlineModeAnswer = "ON-LINE MODE";

constexpr char kCarriageReturn = '\r';
constexpr char kEnq = '\x05';
constexpr char kAck = '\x06';
constexpr char kModeMarker = '\x1A';

class Reader {
public:
    explicit Reader(ReaderState state);

    // The reply to one command line, every line ended by a carriage return; empty when the
    // reader stays silent (mode switches to an unknown digit, commands in on-line mode).
    std::string command(std::string_view text);

    // The answer to ENQ: in on-line mode the next reading of the download store as a line, or
    // a lone ACK when the store is empty; nothing in Zelmar mode.
    std::string enquiry();

    // A transponder held to the antenna (an empty code: a scan that finds none). Returns the
    // bytes the reader sends at once (on-line mode) and sets note to what happened.
    std::string present(std::string_view code, char type, std::string_view country,
                        std::string& note);

    // A reading put into the download store, a transponder for a later "I".
    void addToStore(std::string code);
    void addToQueue(std::string code);

    // Replaces the memory by count made-up readings over lots (fillMemory).
    void fill(int count, int lots);

    // The next command that starts with prefix is answered with its refusal, once.
    void refuseNext(std::string prefix);

    Mode mode() const { return mode_; }
    const ReaderState& state() const { return state_; }
    ReaderState& state() { return state_; }

    // True once after every change that belongs in the state file.
    bool takeChanged();

    // The reader clock as civil seconds (the PC's local clock plus the offset a set made).
    CivilSeconds now() const;

private:
    std::string zelmarCommand(std::string_view text);
    std::string parameterCommand(std::string_view text);
    std::string textCommand(char which, std::string_view payload);
    std::string settingsListing() const;
    std::string dump(std::string_view lot) const;
    std::string upload(std::string_view record);

    ReaderState state_;
    Mode mode_ = Mode::Zelmar;
    std::vector<std::string> refusals_;
    bool changed_ = false;
};

} // namespace px708::sim
