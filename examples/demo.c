/* Star Patrol, the bundled demo game. Saucers come down in waves and drop
 * bombs, meteors fall through; the player's ship shoots them, pixel for
 * pixel. Cursor keys (or A and D) or the mouse steer, Space, Ctrl or the
 * left button fire, Escape ends a game or the demo. Three ships; the five
 * best scores are kept in a file with the names their pilots typed.
 *
 * Nobody there: after the title the game plays itself for a few seconds
 * (the attract mode) and the demo ends. A key or a click on the title or in
 * the attract mode starts a game.
 *
 * Command line: [--play] [--scores=FILE] [FOLDER]. --play waits for the
 * player instead of ending; the high scores live in FILE ($HOME/.korva-star-
 * patrol by default); FOLDER holds sprites.bmp (made by make_sprites.c) and
 * the sounds laser.wav, boom.wav, blip.wav and melody.ogg (made by
 * scripts/make-sound-assets), examples/assets by default. Every turn of the
 * game is logged (DebugLog). */
#include <korva.h>

#define WIDTH 640
#define HEIGHT 480
#define CELLS 8
#define ENEMIES 32
#define SHOTS 4
#define BOMBS 16
#define BOOMS 16
#define STARS 96
#define SCORES 5
#define SHIP_Y (HEIGHT - 40)
#define GRACE_FRAMES 180 /* a new wave drops no bombs at first */

#define KEY_ESCAPE 1
#define KEY_ENTER 28
#define KEY_CONTROL 29
#define KEY_A 30
#define KEY_D 32
#define KEY_SPACE 57
#define KEY_LEFT 203
#define KEY_RIGHT 205

enum Kind { SAUCER, METEOR };

struct Enemy {
    int alive, kind, phase, diving;
    float x, y, dx, dy, homeX, homeY;
};
struct Missile {
    int alive;
    float x, y, dy;
};
struct Boom {
    int alive, age, x, y;
};
struct Star {
    float x, y, speed;
};
struct Controls {
    int left, right, fire, target; /* target: an x to steer to, or -1 */
};

static int shipImage, saucerImage, meteorImage, boomImage, boltImage, bombImage;
static int bigFont, smallFont, timer;
static int laserSound, boomSound, blipSound, music;

static struct Enemy enemies[ENEMIES];
static struct Missile shots[SHOTS], bombs[BOMBS];
static struct Boom booms[BOOMS];
static struct Star stars[STARS];
static float shipX, formationY;
static int lives, score, wave, frame, waveFrame, cooldown, shield, autopilot, mouseSteering;

static int playMode;
static qyStr *folder, *scoresPath, *word, *rest;
static qyStr *names[SCORES];
static int best[SCORES];

/* ---- text ---- */

static qyStr *number(int value) { return __qyStrFromInt(value); }
static qyStr *join(const char *label, qyStr *value) { return __qyStrConcat(kstr(label), value); }
static void say(const char *label, int value) { kprints(join(label, number(value))); }

static void centred(int y, qyStr *text) { _ftext(WIDTH / 2, y, text, 1, 1); }

/* A score with leading zeros, five digits. */
static qyStr *digits(int value) { return _fright(__qyStrConcat(kstr("00000"), number(value)), 5); }

/* ---- sound ---- */

static qyStr *asset(const char *name) { return __qyStrConcat(__qyStrConcat(__qyStrLoad(&folder), kstr("/")), kstr(name)); }

static void loadSounds(void) {
    laserSound = _floadsound(asset("laser.wav"));
    boomSound = _floadsound(asset("boom.wav"));
    blipSound = _floadsound(asset("blip.wav"));
    if (!laserSound || !boomSound || !blipSound) kprints(join("no sound: cannot load the sounds in ", __qyStrLoad(&folder)));
}

/* A sound from where it happens on the screen, left to right. */
static void play(int sound, float x) {
    if (sound) _fchannelpan(_fplaysound(sound), (x - WIDTH / 2) / (WIDTH / 2));
}

/* The melody loops under the title and the game. */
static void keepMusicGoing(void) {
    if (music && _fchannelplaying(music)) return;
    music = _fplaymusic(asset("melody.ogg"));
    if (music) _fchannelvolume(music, 0.35f);
}

/* ---- options and high scores ---- */

static int isWord(const char *text) { return __qyStrCompare(__qyStrLoad(&word), kstr(text)) == 0; }

static int wordStarts(const char *text, int length) {
    return __qyStrCompare(_fleft(__qyStrLoad(&word), length), kstr(text)) == 0;
}

static void readOptions(void) {
    int blank;
    __qyStrStore(&folder, kstr("examples/assets"));
    __qyStrStore(&scoresPath, __qyStrConcat(_fgetenv(kstr("HOME")), kstr("/.korva-star-patrol")));
    if (_flen(_fgetenv(kstr("HOME"))) == 0)
        __qyStrStore(&scoresPath, __qyStrConcat(_fsystemproperty(kstr("tempdir")), kstr("korva-star-patrol")));
    __qyStrStore(&rest, _ftrim(_fcommandline()));
    while (_flen(__qyStrLoad(&rest)) > 0) {
        blank = _finstr(__qyStrLoad(&rest), kstr(" "), 1);
        if (blank == 0) {
            __qyStrStore(&word, __qyStrLoad(&rest));
            __qyStrStore(&rest, kstr(""));
        } else {
            __qyStrStore(&word, _fleft(__qyStrLoad(&rest), blank - 1));
            __qyStrStore(&rest, _ftrim(_fmid(__qyStrLoad(&rest), blank + 1, -1)));
        }
        if (isWord("--play"))
            playMode = 1;
        else if (wordStarts("--scores=", 9))
            __qyStrStore(&scoresPath, _fmid(__qyStrLoad(&word), 10, -1));
        else
            __qyStrStore(&folder, __qyStrLoad(&word));
    }
}

static void loadScores(void) {
    int i, file = _freadfile(__qyStrLoad(&scoresPath));
    for (i = 0; i < SCORES; ++i) {
        __qyStrStore(&names[i], kstr("-----"));
        best[i] = 0;
    }
    if (!file) return;
    for (i = 0; i < SCORES && !_feof(file); ++i) {
        __qyStrStore(&names[i], _freadline(file));
        best[i] = __qyStrToInt(_freadline(file));
        if (best[i] < 0) best[i] = 0;
    }
    _fclosefile(file);
}

static void saveScores(void) {
    int i, file = _fwritefile(__qyStrLoad(&scoresPath));
    if (!file) {
        kprints(join("Cannot write the high scores to ", __qyStrLoad(&scoresPath)));
        return;
    }
    for (i = 0; i < SCORES; ++i) {
        _fwriteline(file, __qyStrLoad(&names[i]));
        _fwriteline(file, number(best[i]));
    }
    _fclosefile(file);
}

/* The place a score earns in the table, or -1. */
static int rankOf(int value) {
    int i;
    if (value <= 0) return -1;
    for (i = 0; i < SCORES; ++i)
        if (value > best[i]) return i;
    return -1;
}

/* ---- the picture ---- */

static void moveStars(float pace) {
    int i;
    for (i = 0; i < STARS; ++i) {
        stars[i].y += stars[i].speed * pace;
        if (stars[i].y >= HEIGHT) {
            stars[i].y -= HEIGHT;
            stars[i].x = (float)_frand(0, WIDTH - 1);
        }
    }
}

static void drawStars(void) {
    int i, layer;
    for (layer = 1; layer <= 3; ++layer) {
        _fcolor(60 * layer + 40, 60 * layer + 40, 60 * layer + 70);
        for (i = 0; i < STARS; ++i)
            if ((int)stars[i].speed == layer) _frect((int)stars[i].x, (int)stars[i].y, layer > 2 ? 2 : 1, layer, 1);
    }
}

static int enemyImage(const struct Enemy *enemy) { return enemy->kind == SAUCER ? saucerImage : meteorImage; }
static int enemyCell(const struct Enemy *enemy) {
    return (frame / (enemy->kind == SAUCER ? 6 : 9) + enemy->phase) % CELLS;
}
static int shipCell(void) { return (frame / 3) % CELLS; }

static void drawWorld(void) {
    int i;
    _fcls();
    drawStars();
    for (i = 0; i < ENEMIES; ++i)
        if (enemies[i].alive) _fdrawimage(enemyImage(&enemies[i]), (int)enemies[i].x, (int)enemies[i].y, enemyCell(&enemies[i]));
    for (i = 0; i < SHOTS; ++i)
        if (shots[i].alive) _fdrawimage(boltImage, (int)shots[i].x, (int)shots[i].y, frame / 2 % 4);
    for (i = 0; i < BOMBS; ++i)
        if (bombs[i].alive) _fdrawimage(bombImage, (int)bombs[i].x, (int)bombs[i].y, frame / 4 % 4);
    if (lives > 0 && (shield == 0 || frame / 4 % 2 == 0)) _fdrawimage(shipImage, (int)shipX, SHIP_Y, shipCell());
    for (i = 0; i < BOOMS; ++i)
        if (booms[i].alive) _fdrawimage(boomImage, booms[i].x, booms[i].y, booms[i].age / 3);
}

static void drawScoreLine(void) {
    int i;
    _fsetfont(smallFont);
    _fcolor(255, 255, 255);
    _ftext(12, 8, join("SCORE ", digits(score)), 0, 0);
    _fcolor(255, 220, 90);
    centred(16, join("HI ", digits(best[0] > score ? best[0] : score)));
    _fcolor(160, 200, 255);
    _ftext(WIDTH - 190, 8, join("WAVE ", number(wave)), 0, 0);
    for (i = 0; i < lives - 1 && i < 4; ++i) _fdrawimage(shipImage, WIDTH - 20 - i * 22, 18, 0);
}

static void present(void) {
    keepMusicGoing();
    _fwaittimer(timer);
    _fflip(0);
    ++frame;
}

/* ---- the game ---- */

static void clearAll(void) {
    int i;
    for (i = 0; i < ENEMIES; ++i) enemies[i].alive = 0;
    for (i = 0; i < SHOTS; ++i) shots[i].alive = 0;
    for (i = 0; i < BOMBS; ++i) bombs[i].alive = 0;
    for (i = 0; i < BOOMS; ++i) booms[i].alive = 0;
}

/* Rows of saucers that fly in from above; every other row is shifted by
 * half a gap, so that a bolt going straight up meets one of them. */
static void startWave(void) {
    int row, column, rows = wave < 3 ? 2 : 3, i = 0;
    formationY = 0;
    waveFrame = 0;
    for (row = 0; row < rows; ++row)
        for (column = 0; column < 8 - row % 2 && i < ENEMIES; ++column, ++i) {
            struct Enemy *enemy = &enemies[i];
            enemy->alive = 1;
            enemy->kind = SAUCER;
            enemy->phase = _frand(0, CELLS - 1);
            enemy->diving = 0;
            enemy->homeX = 96.0f + column * 64 + (row % 2) * 32;
            enemy->homeY = 70.0f + row * 40;
            enemy->x = enemy->homeX;
            enemy->y = enemy->homeY - 260 - row * 40;
        }
    say("wave ", wave);
    play(blipSound, WIDTH / 2);
}

static void startGame(int withAutopilot) {
    clearAll();
    autopilot = withAutopilot;
    lives = 3;
    score = 0;
    wave = 1;
    shield = 90;
    cooldown = 0;
    shipX = WIDTH / 2;
    mouseSteering = 0;
    startWave();
    _fflushkeys();
    _fflushmouse();
}

static void explode(int x, int y) {
    int i;
    if (boomSound) _fsoundpitch(boomSound, _frand(16000, 26000));
    play(boomSound, (float)x);
    for (i = 0; i < BOOMS; ++i)
        if (!booms[i].alive) {
            booms[i].alive = 1;
            booms[i].age = 0;
            booms[i].x = x;
            booms[i].y = y;
            return;
        }
}

static struct Missile *freeMissile(struct Missile *missiles, int count) {
    int i;
    for (i = 0; i < count; ++i)
        if (!missiles[i].alive) return &missiles[i];
    return 0;
}

static struct Enemy *freeEnemy(void) {
    int i;
    for (i = 0; i < ENEMIES; ++i)
        if (!enemies[i].alive) return &enemies[i];
    return 0;
}

static int saucersLeft(void) {
    int i, left = 0;
    for (i = 0; i < ENEMIES; ++i) left += enemies[i].alive && enemies[i].kind == SAUCER;
    return left;
}

static float absolute(float value) { return value < 0 ? -value : value; }

static int randomChance(int oneIn) { return _frand(1, oneIn > 1 ? oneIn : 1) == 1; }

/* The formation sways and sinks; saucers dive at the ship from the second
 * wave on and drop bombs once the wave has settled in. */
static void moveSaucer(struct Enemy *enemy) {
    float sway = 40.0f * _fsin(waveFrame * 1.5f);
    if (!enemy->diving) {
        float targetY = enemy->homeY + formationY;
        enemy->x = enemy->homeX + sway;
        enemy->y += enemy->y < targetY ? 3.0f : 0.0f;
        if (enemy->y > targetY) enemy->y = targetY;
        if (wave > 1 && enemy->y == targetY && randomChance(900 - wave * 60)) {
            enemy->diving = 1;
            enemy->dx = shipX < enemy->x ? -1.2f : 1.2f;
            enemy->dy = 2.2f + wave * 0.25f;
        }
    } else {
        enemy->x += enemy->dx;
        enemy->y += enemy->dy;
        if (enemy->y > HEIGHT + 20) {
            enemy->y = -20;
            enemy->diving = 0;
        }
    }
    if (waveFrame > GRACE_FRAMES && enemy->y > 0 && randomChance(700 - wave * 50)) {
        struct Missile *bomb = freeMissile(bombs, BOMBS);
        if (bomb) {
            bomb->alive = 1;
            bomb->x = enemy->x;
            bomb->y = enemy->y + 12;
            bomb->dy = 3.0f + wave * 0.2f;
        }
    }
}

static void moveMeteor(struct Enemy *enemy) {
    enemy->x += enemy->dx;
    enemy->y += enemy->dy;
    if (enemy->y > HEIGHT + 24 || enemy->x < -24 || enemy->x > WIDTH + 24) enemy->alive = 0;
}

static void dropMeteors(void) {
    struct Enemy *meteor;
    if (waveFrame < GRACE_FRAMES || !randomChance(150 - wave * 12)) return;
    meteor = freeEnemy();
    if (!meteor) return;
    meteor->alive = 1;
    meteor->kind = METEOR;
    meteor->phase = _frand(0, CELLS - 1);
    meteor->x = (float)_frand(40, WIDTH - 40);
    meteor->y = -20;
    meteor->dx = _frnd(-1.0f, 1.0f);
    meteor->dy = _frnd(1.5f, 2.5f) + wave * 0.2f;
}

static void moveMissiles(struct Missile *missiles, int count) {
    int i;
    for (i = 0; i < count; ++i) {
        missiles[i].y += missiles[i].dy;
        if (missiles[i].y < -16 || missiles[i].y > HEIGHT + 16) missiles[i].alive = 0;
    }
}

static void fire(void) {
    struct Missile *shot = freeMissile(shots, SHOTS);
    if (cooldown > 0 || !shot) return;
    shot->alive = 1;
    shot->x = shipX;
    shot->y = SHIP_Y - 18;
    shot->dy = -9.0f;
    cooldown = 10;
    play(laserSound, shipX);
}

static void steer(const struct Controls *controls) {
    float speed = 5.0f;
    if (controls->target >= 0) {
        float to = controls->target - shipX;
        if (to > speed) to = speed;
        if (to < -speed) to = -speed;
        shipX += to;
    }
    if (controls->left) shipX -= speed;
    if (controls->right) shipX += speed;
    if (shipX < 20) shipX = 20;
    if (shipX > WIDTH - 20) shipX = WIDTH - 20;
    if (controls->fire) fire();
}

static void playerControls(struct Controls *controls) {
    controls->left = _fkeydown(KEY_LEFT) || _fkeydown(KEY_A);
    controls->right = _fkeydown(KEY_RIGHT) || _fkeydown(KEY_D);
    controls->fire = _fkeydown(KEY_SPACE) || _fkeydown(KEY_CONTROL) || _fmousedown(1);
    if (_fmousexspeed() != 0) mouseSteering = 1;
    if (controls->left || controls->right) mouseSteering = 0;
    controls->target = mouseSteering ? _fmousex() : -1;
}

/* Dodges what comes down close above the ship, otherwise lines up with the
 * lowest saucer (where it will be when a bolt gets there) and fires. */
static void autopilotControls(struct Controls *controls) {
    int i, lowest = -1;
    float aim = -1.0f;
    controls->left = controls->right = controls->fire = 0;
    controls->target = -1;
    for (i = 0; i < BOMBS; ++i)
        if (bombs[i].alive && bombs[i].y > SHIP_Y - 110 && bombs[i].y < SHIP_Y && absolute(bombs[i].x - shipX) < 26) {
            controls->target = (int)(bombs[i].x < shipX ? shipX + 60 : shipX - 60);
            if (controls->target > WIDTH - 20 || controls->target < 20) controls->target = WIDTH - controls->target;
            return;
        }
    for (i = 0; i < ENEMIES; ++i)
        if (enemies[i].alive && enemies[i].y > 0 && enemies[i].y < SHIP_Y - 40 &&
            (lowest < 0 || enemies[i].y > enemies[lowest].y))
            lowest = i;
    if (lowest < 0) return;
    aim = enemies[lowest].x +
          (enemies[lowest].diving || enemies[lowest].kind == METEOR ? enemies[lowest].dx : 0.0f) *
              (SHIP_Y - enemies[lowest].y) / 9.0f;
    controls->target = (int)aim;
    controls->fire = absolute(aim - shipX) < 10;
}

static void scorePoints(int points) {
    score += points;
    say("score ", score);
}

static void shootDown(void) {
    int s, e;
    for (s = 0; s < SHOTS; ++s) {
        if (!shots[s].alive) continue;
        for (e = 0; e < ENEMIES; ++e) {
            struct Enemy *enemy = &enemies[e];
            if (!enemy->alive ||
                !_fimagescollide(boltImage, (int)shots[s].x, (int)shots[s].y, frame / 2 % 4, enemyImage(enemy),
                                 (int)enemy->x, (int)enemy->y, enemyCell(enemy)))
                continue;
            enemy->alive = 0;
            shots[s].alive = 0;
            explode((int)enemy->x, (int)enemy->y);
            scorePoints(enemy->kind == SAUCER ? 100 : 50);
            break;
        }
    }
}

static void shipHit(void) {
    explode((int)shipX, SHIP_Y);
    --lives;
    shield = 120;
    say("ships ", lives);
}

static void crashes(void) {
    int i;
    if (shield > 0 || lives == 0) return;
    for (i = 0; i < BOMBS; ++i)
        if (bombs[i].alive &&
            _fimagescollide(bombImage, (int)bombs[i].x, (int)bombs[i].y, frame / 4 % 4, shipImage, (int)shipX, SHIP_Y,
                            shipCell())) {
            bombs[i].alive = 0;
            shipHit();
            return;
        }
    for (i = 0; i < ENEMIES; ++i)
        if (enemies[i].alive && _fimagescollide(enemyImage(&enemies[i]), (int)enemies[i].x, (int)enemies[i].y,
                                                enemyCell(&enemies[i]), shipImage, (int)shipX, SHIP_Y, shipCell())) {
            enemies[i].alive = 0;
            explode((int)enemies[i].x, (int)enemies[i].y);
            shipHit();
            return;
        }
}

static void step(void) {
    int i;
    ++waveFrame;
    formationY += 0.015f + wave * 0.005f;
    if (cooldown > 0) --cooldown;
    if (shield > 0) --shield;
    for (i = 0; i < ENEMIES; ++i)
        if (enemies[i].alive) {
            if (enemies[i].kind == SAUCER) moveSaucer(&enemies[i]); else moveMeteor(&enemies[i]);
        }
    dropMeteors();
    moveMissiles(shots, SHOTS);
    moveMissiles(bombs, BOMBS);
    for (i = 0; i < BOOMS; ++i)
        if (booms[i].alive && ++booms[i].age >= CELLS * 3) booms[i].alive = 0;
    moveStars(1.0f);
    shootDown();
    crashes();
    if (saucersLeft() == 0) {
        ++wave;
        startWave();
    }
}

/* A person's key or click during the title or the attract mode. */
static int someoneWantsToPlay(void) {
    return _fkeyhit(KEY_SPACE) + _fkeyhit(KEY_ENTER) + _fmousehit(1) > 0;
}

/* Plays until the last ship is lost (and a moment longer) or, on autopilot,
 * until the frames run out. The score, or -1 when a person interrupts the
 * autopilot to play. */
static int playGame(int withAutopilot, int frames) {
    struct Controls controls;
    int after = 0;
    startGame(withAutopilot);
    while (after < 120 && (!autopilot || frames-- > 0)) {
        if (autopilot) {
            if (someoneWantsToPlay()) return -1;
            if (_fkeyhit(KEY_ESCAPE)) _fend();
            autopilotControls(&controls);
        } else {
            playerControls(&controls);
            if (_fkeyhit(KEY_ESCAPE) && lives > 0) {
                lives = 0;
                say("ships ", lives);
            }
        }
        if (lives > 0) steer(&controls); else ++after;
        step();
        drawWorld();
        drawScoreLine();
        _fsetfont(bigFont);
        if (waveFrame < 90) {
            _fcolor(160, 200, 255);
            centred(HEIGHT / 2, join("WAVE ", number(wave)));
        }
        if (lives == 0) {
            _fcolor(255, 80, 60);
            centred(HEIGHT / 2 - 40, kstr("GAME OVER"));
        }
        if (autopilot && frame / 30 % 2) {
            _fsetfont(smallFont);
            _fcolor(255, 255, 120);
            centred(HEIGHT - 70, kstr("DEMO  -  SPACE OR CLICK TO PLAY"));
        }
        present();
    }
    return score;
}

/* The title with the high scores and a parade of saucers. 1 when a person
 * starts a game, 0 when the frames run out; Escape ends the demo. */
static int titleScreen(int frames) {
    int i, shown;
    _fflushkeys();
    _fflushmouse();
    kprint("title");
    for (shown = 0; shown < frames; ++shown) {
        if (someoneWantsToPlay()) return 1;
        if (_fkeyhit(KEY_ESCAPE)) _fend();
        moveStars(0.5f);
        _fcls();
        drawStars();
        for (i = 0; i < 6; ++i)
            _fdrawimage(saucerImage, (shown * 2 + i * 120) % (WIDTH + 80) - 40, 150 + (i % 2) * 10, (shown / 6 + i) % CELLS);
        _fdrawimage(shipImage, WIDTH / 2, 410, shown / 3 % CELLS);
        _fsetfont(bigFont);
        _fcolor(120, 220, 255);
        centred(70, kstr("STAR PATROL"));
        _fsetfont(smallFont);
        _fcolor(255, 220, 90);
        centred(200, kstr("BEST PILOTS"));
        for (i = 0; i < SCORES; ++i) {
            _fcolor(230, 230, 240);
            _ftext(WIDTH / 2 - 110, 225 + i * 22, __qyStrLoad(&names[i]), 0, 0);
            _ftext(WIDTH / 2 + 50, 225 + i * 22, digits(best[i]), 0, 0);
        }
        if (shown / 30 % 2 == 0) {
            _fcolor(255, 255, 120);
            centred(370, kstr("SPACE OR CLICK TO PLAY  -  ESCAPE TO QUIT"));
        }
        _fcolor(140, 140, 170);
        centred(HEIGHT - 20, kstr("CURSOR KEYS OR MOUSE TO STEER, SPACE OR BUTTON TO FIRE"));
        present();
    }
    return 0;
}

/* The pilot types a name on the text console under the final picture. */
static void enterName(int rank) {
    int i;
    qyStr *typed;
    for (i = SCORES - 1; i > rank; --i) {
        __qyStrStore(&names[i], __qyStrLoad(&names[i - 1]));
        best[i] = best[i - 1];
    }
    _fcls();
    drawStars();
    _fsetfont(bigFont);
    _fcolor(255, 220, 90);
    centred(150, kstr("NEW HIGH SCORE"));
    centred(210, digits(score));
    _fflip(0);
    _fflushkeys();
    say("new high score ", score);
    _fsetfont(smallFont);
    _fcolor(255, 255, 255);
    _flocate(WIDTH / 2 - 120, 280);
    typed = _fupper(_fleft(_ftrim(_finput(kstr("YOUR NAME: "))), 12));
    if (_flen(__qyStrLoad(&typed)) == 0) __qyStrStore(&typed, kstr("PILOT"));
    __qyStrStore(&names[rank], __qyStrLoad(&typed));
    best[rank] = score;
    saveScores();
    kprints(__qyStrConcat(join("high score ", typed), join(" ", number(score))));
}

void __MAIN(void) {
    int i, choice, result, rank;
    readOptions();
    _fapptitle(kstr("Korva Star Patrol"), 0);
    _fgraphics(WIDTH, HEIGHT, 0, 2);
    _fhidepointer();
    _fsetbuffer(_fbackbuffer());
    _fclscolor(4, 4, 20);
    shipImage = _floadanimimage(asset("sprites.bmp"), 32, 32, 0, CELLS);
    saucerImage = _floadanimimage(asset("sprites.bmp"), 32, 32, CELLS, CELLS);
    meteorImage = _floadanimimage(asset("sprites.bmp"), 32, 32, 2 * CELLS, CELLS);
    boomImage = _floadanimimage(asset("sprites.bmp"), 32, 32, 3 * CELLS, CELLS);
    boltImage = _floadanimimage(asset("sprites.bmp"), 32, 32, 4 * CELLS, 4);
    bombImage = _floadanimimage(asset("sprites.bmp"), 32, 32, 4 * CELLS + 4, 4);
    if (!shipImage || !saucerImage || !meteorImage || !boomImage || !boltImage || !bombImage)
        _fruntimeerror(join("Cannot load the sprites in ", __qyStrLoad(&folder)));
    _fmidhandle(shipImage);
    _fmidhandle(saucerImage);
    _fmidhandle(meteorImage);
    _fmidhandle(boomImage);
    _fmidhandle(boltImage);
    _fmidhandle(bombImage);
    bigFont = _floadfont(kstr("courier"), 40, 1, 0, 0);
    smallFont = _floadfont(kstr("courier"), 16, 1, 0, 0);
    for (i = 0; i < STARS; ++i) {
        stars[i].x = (float)_frand(0, WIDTH - 1);
        stars[i].y = (float)_frand(0, HEIGHT - 1);
        stars[i].speed = (float)(1 + i % 3);
    }
    loadScores();
    loadSounds();
    timer = _fcreatetimer(60);
    for (;;) {
        choice = titleScreen(playMode ? 600 : 150);
        if (!choice) {
            kprint("attract");
            result = playGame(1, playMode ? 1200 : 420);
            if (result >= 0) {
                say("attract over ", result);
                if (!playMode) break;
                continue;
            }
        }
        kprint("game");
        result = playGame(0, 0);
        say("game over ", result);
        rank = rankOf(result);
        if (rank >= 0) enterName(rank);
    }
    kprint("bye");
}
