// rvsounds FOLDER: writes move.wav, attack.wav and mate.wav into FOLDER, creating it.
#include "SoundGenerator.h"

#include <filesystem>
#include <iostream>

int main(int argc, char** argv) {
    if (argc != 2) {
        std::cerr << "usage: rvsounds FOLDER\n";
        return 2;
    }
    std::error_code error;
    std::filesystem::create_directories(argv[1], error);
    if (error || !WriteSounds(argv[1])) {
        std::cerr << "rvsounds: cannot write the sounds into " << argv[1] << "\n";
        return 1;
    }
    return 0;
}
