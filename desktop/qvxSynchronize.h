#pragma once
// Synchronised calls: a worker thread has a function run on the GUI thread and waits until it
// has run.
//
// The call is posted to the application's thread; the worker waits until it has run or until its
// stop token is triggered. A call that the GUI thread has not started when the stop comes is
// cancelled and never runs, so the GUI thread may stop and join a worker that waits in a
// synchronised call without a deadlock. An exception raised by the function is raised again in
// the worker. Called on the GUI thread itself (or without an application), the function runs at
// once.

#include <functional>
#include <stop_token>
#include <thread>

// True when the function ran; false when the stop cancelled it.
bool qvxSynchronize(std::stop_token stop, std::function<void()> function);

// On the GUI thread: true while it runs a synchronised call of that worker (the worker then
// cannot be joined from here: it waits for the call to return).
bool qvxInSynchronizedCallOf(std::thread::id worker);
