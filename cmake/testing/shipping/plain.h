#pragma once
// Fixture: a shipped header.
