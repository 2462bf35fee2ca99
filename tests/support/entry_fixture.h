#pragma once

#include "tests/support/program_fixture.h"

class Tsoru_gir;
namespace storage {
class RecordSet;
}

// The program with the question entry window shown on group 1, not modally,
// so that a test can drive it. The window and the bank question set are
// closed again when the fixture goes.
struct EntryFixture : ProgramFixture {
    Tsoru_gir* w;
    explicit EntryFixture(const QString& sql);
    ~EntryFixture();
    storage::RecordSet& q();
};
