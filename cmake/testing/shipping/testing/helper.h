#pragma once
// Fixture: a test helper.
