// The schema of an analysed database: each listed table's keys and indexes
// (read with its definition), its relationships from MSysRelationships and
// the saved queries from MSysQueries, whose rows the ordinary row decoder
// reads. What does not read is left out and named in the schema's notes.
#pragma once

#include <atomic>
#include <cstdint>

#include "reader/schema.h"

class MdbFile;

// The session must be analysed, and outlive the schema: the schema's
// tables point into its table list. Its tables are the listed ones, the
// system tables too when showSystem.
DatabaseSchema ReadDatabaseSchema(const MdbFile& db, bool showSystem, const std::atomic<uint8_t>& stopRequested);
