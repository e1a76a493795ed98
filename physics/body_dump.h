// Debugging aid: the state of every body at a tick, as text or as one digest.
#pragma once

#include <cstdint>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "physics/rigid_body.h"

using BodyList = std::vector<std::unique_ptr<RigidBody>>;

// One line per body: index, frozen, position, orientation (9 elements in storage
// order), velocity and angular velocity, with every float printed round-trippably.
void dump_body(std::ostream& out, const RigidBody& body, std::size_t index);
void dump_bodies(std::ostream& out, const BodyList& bodies, long tick);
std::string dump_bodies(const BodyList& bodies, long tick);

// FNV-1a over the bit patterns of every body's state (the motion state, both
// inertia tensors, the previous pose, force, vertices and flags), in list order.
// Two runs agree on it exactly when they agree bit for bit.
std::uint64_t state_hash(const BodyList& bodies);
